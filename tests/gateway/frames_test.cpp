// The frame functions against a model of them, over any stream cut any way, are
// fuzz/frames.cpp; the link's handling of the frames is in the link and run tests.

#include "gateway/frames.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace varkelo::gateway {
namespace {

TEST(RequestFrameTest, EachPhaseHasItsCodeAndStatus) {
  struct Case {
    std::int16_t Phase;
    std::array<std::uint8_t, 4> Bytes;
    std::string Status;
  };
  const Case cases[] = {
      {0, {0x02, 0x00, 0x30, 0x31}, "「192.0.2.10」のスマートゲートウェイの読込み応答待機中"},
      {1, {0x02, 0x00, 0x30, 0x36}, "書込み準備応答待機中"},
      {2, {0x02, 0x00, 0x30, 0x33}, "消去応答待機中"},
      {3, {0x02, 0x00, 0x30, 0x34}, ""},
      {4, {0x02, 0x00, 0x30, 0x37}, ""},
      {5, {0x02, 0x00, 0x30, 0x38}, ""},
      {6, {0x02, 0x00, 0x30, 0x30}, ""},
      {-1, {0x02, 0x00, 0x30, 0x30}, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BuildRequestFrame(c.Phase), c.Bytes) << c.Phase;
    EXPECT_EQ(RequestStatusText(c.Phase, "192.0.2.10"), c.Status) << c.Phase;
  }
}

// A frame too short for a code is answered all the same, padded to the header;
// the link never meets one, so only this test does.
TEST(AckFrameTest, IsTheFrameWithCode15) {
  using Bytes = std::vector<std::uint8_t>;
  EXPECT_EQ(BuildAckFrame(Bytes{0x02, 0x00, '0', '5', 7, 8, 9}), (Bytes{0x02, 0x00, '1', '5', 7, 8, 9}));
  EXPECT_EQ(BuildAckFrame(Bytes{0x02, 0x00}), (Bytes{0x02, 0x00, '1', '5'}));
}

}  // namespace
}  // namespace varkelo::gateway
