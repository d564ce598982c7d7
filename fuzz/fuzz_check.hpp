#pragma once

// A broken invariant inside a fuzz target: say which, then abort, so the
// fuzzer keeps the input as a crash. And the checks and inputs the targets share.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "util/utf8.hpp"

#define FUZZ_CHECK(condition)                                                                \
  do {                                                                                       \
    if (!(condition)) {                                                                      \
      std::fprintf(stderr, "%s:%d: invariant broken: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                          \
    }                                                                                        \
  } while (false)

using varkelo::util::IsValidUtf8;

// A byte stream cut into arrivals, as the frame targets read it: one byte k,
// k cut sizes (16-bit little-endian, 0 read as 1), then the stream. Arrival i
// takes the next cuts[i % k] bytes; with k = 0 the whole stream is one arrival.
struct Arrivals {
  std::vector<std::size_t> cuts;
  std::span<const std::uint8_t> stream;
  // The size of arrival `i` once `arrived` bytes are in.
  std::size_t Size(std::size_t i, std::size_t arrived) const {
    const std::size_t rest = stream.size() - arrived;
    return cuts.empty() ? rest : std::min(cuts[i % cuts.size()], rest);
  }
};

// None when the input is too short for its cut sizes.
inline std::optional<Arrivals> ReadArrivals(std::span<const std::uint8_t> input) {
  if (input.empty() || input.size() < 1 + 2 * std::size_t{input[0]}) return std::nullopt;
  Arrivals arrivals;
  for (std::size_t i = 0; i < input[0]; ++i)
    arrivals.cuts.push_back(std::max<std::size_t>(input[1 + 2 * i] + 256u * input[2 + 2 * i], 1));
  arrivals.stream = input.subspan(1 + 2 * std::size_t{input[0]});
  return arrivals;
}
