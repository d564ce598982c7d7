// The frame functions against a model of them, over any stream cut any way, are
// fuzz/frames.cpp; the link's handling of the frames is in the link and run tests.

#include "gateway/frames.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace varkelo::gateway {
namespace {

// The read request (phase 0) and its status are checked by every run against the simulator.
TEST(RequestFrameTest, EachOtherPhaseHasItsCodeAndStatus) {
  const std::pair<std::int16_t, std::uint8_t> codes[] = {{1, '6'}, {2, '3'}, {3, '4'}, {4, '7'},
                                                         {5, '8'}, {6, '0'}, {-1, '0'}};
  for (const auto& [phase, code] : codes) {
    EXPECT_EQ(BuildRequestFrame(phase), (std::array<std::uint8_t, 4>{0x02, 0x00, '0', code})) << phase;
    const std::string status = phase == 1 ? "書込み準備応答待機中" : phase == 2 ? "消去応答待機中" : "";
    EXPECT_EQ(RequestStatusText(phase, "192.0.2.10"), status) << phase;
  }
}

// Every run checks the answer to a data frame; a frame too short for a code,
// which the link never meets, is answered all the same, padded to the header.
TEST(AckFrameTest, ShortFrameIsPaddedToTheHeader) {
  using Bytes = std::vector<std::uint8_t>;
  EXPECT_EQ(BuildAckFrame(Bytes{0x02, 0x00}), (Bytes{0x02, 0x00, '1', '5'}));
}

}  // namespace
}  // namespace varkelo::gateway
