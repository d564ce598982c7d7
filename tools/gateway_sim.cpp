// A smart gateway on a TCP port: serves a "read.nmd" image (or a sample image)
// to one reading client, checks every acknowledgement and prints a one-line
// summary. With --list it stands for many gateways at once, one address each
// (any address of the loopback), each serving its clients one after another.
// Exit status 0 when every acknowledgement was right.

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include <CLI/CLI.hpp>

#include "lib/gateway_simulator.hpp"
#include "lib/sample_image.hpp"
#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace {

using namespace varkelo::tools;
using Image = std::vector<std::uint8_t>;

// The image file's bytes, read whole (byte by byte, an 8 MiB image takes
// seconds in a sanitizer build, and many simulators start at once), or why
// they cannot be read.
varkelo::platform::Result<Image> ReadImage(const std::string& path) {
  auto file = varkelo::platform::RegularFile::OpenForReading(varkelo::platform::PathFromUtf8(path));
  if (!file) return file.Reason();
  auto bytes = file->ReadAll();
  if (!bytes) return bytes.Reason();
  return Image(bytes->begin(), bytes->end());
}

// One gateway address and the images its clients get, in turn.
struct Gateway {
  std::string address;
  std::vector<const Image*> images;
};

// The list: one "ADDRESS IMAGE-FILE" a line. Each image file is read once,
// however many gateways serve it.
bool ReadList(const std::string& path, std::map<std::string, std::unique_ptr<Image>>& images,
              std::vector<Gateway>& gateways) {
  std::ifstream list(path);
  if (!list) return false;
  std::map<std::string, std::size_t> byAddress;
  std::string line;
  while (std::getline(list, line)) {
    std::istringstream fields(line);
    std::string address, file;
    if (!(fields >> address >> file)) continue;
    auto& image = images[file];
    if (!image) {
      auto read = ReadImage(file);
      if (!read || read->size() < SimRecordSize) {
        std::cerr << "gateway_sim: " << (read ? "no whole record in " + file : read.Reason().Describe())
                  << "\n";
        return false;
      }
      image = std::make_unique<Image>(std::move(*read));
    }
    const auto [place, added] = byAddress.emplace(address, gateways.size());
    if (added) gateways.push_back({.address = address, .images = {}});
    gateways[place->second].images.push_back(image.get());
  }
  return !gateways.empty();
}

// Serves every gateway of the list on a thread of its own; 0 when every client was served right.
int ServeList(const std::vector<Gateway>& gateways, const SimulatorOptions& common, std::uint16_t port) {
  std::mutex output;
  std::vector<int> failed(gateways.size(), 0);
  std::vector<std::thread> threads;
  threads.reserve(gateways.size());
  for (std::size_t g = 0; g < gateways.size(); ++g) {
    threads.emplace_back([&, g] {
      GatewaySimulator simulator(common);
      const Gateway& gateway = gateways[g];
      if (const varkelo::platform::Status listening = simulator.Listen(gateway.address, port); !listening) {
        const std::lock_guard lock(output);
        std::cerr << "gateway_sim: " << listening.Reason().Describe() << "\n";
        failed[g] = 1;
        return;
      }
      for (const Image* image : gateway.images) {
        const SimulatorResult result = simulator.ServeOne(*image);
        const std::lock_guard lock(output);
        std::cout << gateway.address << ": " << result.Summary() << std::endl;
        if (!result.AllAcksRight()) failed[g] = 1;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  return std::find(failed.begin(), failed.end(), 1) == failed.end() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Smart gateway simulator: serves a memory image to one reading client"};

  std::string imagePath;
  std::string listPath;
  std::string sample;
  std::uint32_t seed = 1;
  std::string address = "127.0.0.1";
  std::uint16_t port = 12000;
  std::size_t records = 0;
  std::string faultName = "none";
  std::size_t faultAfter = 0;
  std::size_t segment = 0;
  int splitPauseMs = 1;
  double recordDelayMs = 0;
  int idleSeconds = 150;

  auto* imageOption =
      app.add_option("--image", imagePath, "\"read.nmd\" image to serve")->check(CLI::ExistingFile);
  auto* sampleOption = app.add_option("--sample", sample, "serve a sample image of this layout instead")
                           ->check(CLI::IsMember({"half", "interval"}))
                           ->excludes(imageOption);
  app.add_option(
         "--list", listPath,
         "many gateways: a file of 'ADDRESS IMAGE' lines; each address serves its images' clients in turn")
      ->check(CLI::ExistingFile)
      ->excludes(imageOption)
      ->excludes(sampleOption);
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
  app.add_option("--record-delay", recordDelayMs, "wait before each record, in ms (a distant gateway)")
      ->check(CLI::NonNegativeNumber);
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
  options.recordDelay = std::chrono::microseconds(static_cast<std::int64_t>(recordDelayMs * 1000));
  options.idleWait = std::chrono::seconds(idleSeconds);

  if (!listPath.empty()) {
    std::map<std::string, std::unique_ptr<Image>> images;
    std::vector<Gateway> gateways;
    if (!ReadList(listPath, images, gateways)) {
      std::cerr << "gateway_sim: no gateway in " << listPath << "\n";
      return 2;
    }
    std::cerr << "gateway_sim: " << gateways.size() << " gateways listening on port " << port << std::endl;
    return ServeList(gateways, options, port);
  }

  Image image;
  if (!sample.empty()) {
    SampleOptions sampleOptions;
    sampleOptions.layout = sample == "half" ? SampleLayout::HalfHour : SampleLayout::Interval;
    sampleOptions.seed = seed;
    image = MakeSampleImage(sampleOptions);
  } else if (!imagePath.empty()) {
    auto read = ReadImage(imagePath);
    if (!read) {
      std::cerr << "gateway_sim: " << read.Reason().Describe() << "\n";
      return 2;
    }
    image = std::move(*read);
  } else {
    std::cerr << "gateway_sim: give --image PATH, --sample half|interval or --list FILE\n";
    return 2;
  }
  if (image.size() < SimRecordSize) {
    std::cerr << "gateway_sim: the image holds no whole record\n";
    return 2;
  }
  options.image = image;

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
