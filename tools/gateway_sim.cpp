// A smart gateway on a TCP port: serves a "read.nmd" image (or a sample image)
// to one reading client, checks every acknowledgement and prints a one-line
// summary. Exit status 0 when every acknowledgement was right.

#include <chrono>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <string>

#include <CLI/CLI.hpp>

#include "lib/gateway_simulator.hpp"
#include "lib/sample_image.hpp"

namespace {

// In one read: byte by byte, an 8 MiB image takes seconds in a sanitizer
// build, and many simulators start at once.
bool ReadImage(const std::string& path, std::vector<std::uint8_t>& image) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const std::streamoff size = in.tellg();
  if (!in || size < 0) return false;
  image.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  return static_cast<bool>(
      in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size())));
}

}  // namespace

int main(int argc, char** argv) {
  using namespace varkelo::tools;
  CLI::App app{"Smart gateway simulator: serves a memory image to one reading client"};

  std::string imagePath;
  std::string sample;
  std::uint32_t seed = 1;
  std::string address = "127.0.0.1";
  std::uint16_t port = 12000;
  std::size_t records = 0;
  std::string faultName = "none";
  std::size_t faultAfter = 0;
  std::size_t segment = 0;
  int splitPauseMs = 1;
  int idleSeconds = 150;

  auto* imageOption =
      app.add_option("--image", imagePath, "\"read.nmd\" image to serve")->check(CLI::ExistingFile);
  auto* sampleOption = app.add_option("--sample", sample, "serve a sample image of this layout instead")
                           ->check(CLI::IsMember({"half", "interval"}))
                           ->excludes(imageOption);
  app.add_option("--seed", seed, "seed of the sample image")->needs(sampleOption);
  app.add_option("--address", address, "IPv4 address to listen on")->capture_default_str();
  app.add_option("--port", port, "TCP port to listen on (0: any)")->capture_default_str();
  app.add_option("--records", records, "send only the first N records (0: all)");
  app.add_option("--fault", faultName,
                 "none, split, nagle, joined, silent, close, refuse, malformed or record0")
      ->capture_default_str();
  app.add_option("--fault-after", faultAfter, "frames sent as usual before the fault");
  app.add_option("--segment", segment, "nagle: bytes sent before waiting for TCP's acknowledgement (0: MSS)");
  app.add_option("--split-pause", splitPauseMs, "split: pause between pieces, in ms")->capture_default_str();
  app.add_option("--idle-timeout", idleSeconds, "longest wait for the client at any step, in seconds")
      ->capture_default_str();
  CLI11_PARSE(app, argc, argv);

  SimulatorOptions options;
  const std::optional<SimFault> fault = ParseSimFault(faultName);
  if (!fault) {
    std::cerr << "gateway_sim: unknown fault " << faultName << "\n";
    return 2;
  }
  options.fault = *fault;
  options.records = records;
  options.faultAfter = faultAfter;
  options.segment = segment;
  options.splitPause = std::chrono::milliseconds(splitPauseMs);
  options.idleWait = std::chrono::seconds(idleSeconds);

  if (!sample.empty()) {
    SampleOptions sampleOptions;
    sampleOptions.layout = sample == "half" ? SampleLayout::HalfHour : SampleLayout::Interval;
    sampleOptions.seed = seed;
    options.image = MakeSampleImage(sampleOptions);
  } else if (!imagePath.empty()) {
    if (!ReadImage(imagePath, options.image)) {
      std::cerr << "gateway_sim: cannot read " << imagePath << "\n";
      return 2;
    }
  } else {
    std::cerr << "gateway_sim: give --image PATH or --sample half|interval\n";
    return 2;
  }
  if (options.image.size() < SimRecordSize) {
    std::cerr << "gateway_sim: the image holds no whole record\n";
    return 2;
  }

  GatewaySimulator simulator(std::move(options));
  if (const varkelo::platform::Status listening = simulator.Listen(address, port); !listening) {
    std::cerr << "gateway_sim: " << listening.Reason().Describe() << "\n";
    return 2;
  }
  std::cerr << "gateway_sim: listening on " << address << ":" << simulator.Port() << std::endl;
  const SimulatorResult result = simulator.ServeOne();
  std::cout << result.Summary() << std::endl;
  return result.AllAcksRight() ? 0 : 1;
}
