#include "gateway/frames.hpp"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace varkelo::gateway {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes DataFrame(std::uint8_t lengthLow, std::uint8_t lengthHigh, std::uint16_t recordNumber) {
  Bytes frame = {lengthLow,
                 lengthHigh,
                 '0',
                 '5',
                 static_cast<std::uint8_t>(recordNumber & 0xFF),
                 static_cast<std::uint8_t>(recordNumber >> 8)};
  for (std::size_t i = 0; i < RecordSize; ++i)
    frame.push_back(static_cast<std::uint8_t>(i * 13 + recordNumber));
  return frame;
}

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

TEST(FrameHeaderTest, ReadsLengthCodeAndRecordNumberUnlessAHighByteIsSet) {
  const struct {
    Bytes frame;
    std::int16_t length;
    std::int32_t code;
    std::int16_t recordNumber;
  } cases[] = {
      {DataFrame(0x04, 0x04, 0x2000), 1028, 5, 8192},
      {{0x02, 0x00, '1', '1', '0'}, 2, 11, 48},                          // end frame: byte 4 is the result
      {{0x02, 0x00, '0', '5'}, 2, 5, 0},                                 // missing bytes read as 0
      {{0xFF, 0x7F, 'A', '!', 0xFF, 0x7F}, 32767, 17 * 10 - 15, 32767},  // codes need not be digits
  };
  for (const auto& c : cases) {
    FrameHeader header;
    ASSERT_TRUE(ReadFrameHeader(c.frame, header));
    EXPECT_EQ(header.Length, c.length);
    EXPECT_EQ(header.FrameCode, c.code);
    EXPECT_EQ(header.RecordNumber, c.recordNumber);
  }
  // A high byte of the length or of the record number at or above 0x80, whatever the code.
  for (const Bytes& frame :
       {Bytes{0x04, 0x80, '0', '5', 0x01, 0x00}, Bytes{0x04, 0xFF, '1', '1', '0', 0x00},
        Bytes{0x02, 0x00, '1', '1', '0', 0x80}, Bytes{0x02, 0x00, '9', '9', 0x00, 0xFF}}) {
    FrameHeader header;
    EXPECT_FALSE(ReadFrameHeader(frame, header)) << int(frame[1]) << " " << int(frame[5]);
  }
}

TEST(AckFrameTest, IsTheFrameWithCode15) {
  const Bytes frame = DataFrame(0x04, 0x04, 1);
  Bytes expected = frame;
  expected[2] = '1';
  expected[3] = '5';
  EXPECT_EQ(BuildAckFrame(frame), expected);
  EXPECT_EQ(BuildAckFrame(Bytes{0x02, 0x00, '0', '5', 7, 8, 9}), (Bytes{0x02, 0x00, '1', '5', 7, 8, 9}));
  EXPECT_EQ(BuildAckFrame(Bytes{0x02, 0x00}), (Bytes{0x02, 0x00, '1', '5'}));
}

TEST(CompleteFrameSizeTest, KnowsWhereEachKindOfFrameEnds) {
  struct Case {
    const char* Name;
    Bytes Buffered;
    std::size_t Size;
  };
  const Case cases[] = {
      {"data frame whose length is not 1028", DataFrame(0x10, 0x00, 1), 1030},
      {"data frame of length 2", {0x02, 0x00, '0', '5'}, 4},
      {"data frame of length 2 with more bytes", {0x02, 0x00, '0', '5', 1, 2, 3, 4, 5, 6}, 10},
      {"end frame without its result", {0x02, 0x00, '1', '1'}, 0},
      {"end frame and stray bytes", {0x02, 0x00, '1', '1', '1', 9, 9}, 5},
      {"unknown code", {0x02, 0x00, '1', '5', 1, 0, 3}, 7},
  };
  for (const Case& c : cases) EXPECT_EQ(CompleteFrameSize(c.Buffered), c.Size) << c.Name;
}

// However TCP cuts the stream into arrivals, taking complete frames off the
// front of the buffered bytes gives back exactly the frames that were sent.
TEST(CompleteFrameSizeTest, ReassemblesFramesFromAnyCutOfTheStream) {
  std::vector<Bytes> sent;
  for (std::uint16_t n = 1; n <= 6; ++n) sent.push_back(DataFrame(0x04, 0x04, n));
  sent.push_back({0x02, 0x00, '1', '1', '0'});
  Bytes stream;
  for (const Bytes& frame : sent) stream.insert(stream.end(), frame.begin(), frame.end());

  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::uniform_int_distribution<std::size_t> piece(1, round < 100 ? 8 : 2500);
    Bytes buffered;
    std::vector<Bytes> received;
    std::size_t at = 0;
    while (at < stream.size()) {
      const std::size_t n = std::min(piece(random), stream.size() - at);
      buffered.insert(buffered.end(), stream.begin() + at, stream.begin() + at + n);
      at += n;
      while (std::size_t size = CompleteFrameSize(buffered)) {
        received.emplace_back(buffered.begin(), buffered.begin() + size);
        buffered.erase(buffered.begin(), buffered.begin() + size);
      }
    }
    ASSERT_EQ(received, sent) << "round " << round;
    EXPECT_TRUE(buffered.empty());
  }
}

}  // namespace
}  // namespace varkelo::gateway
