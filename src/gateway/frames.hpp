#pragma once

// The frames exchanged with the gateway: a 4-byte header (16-bit little-endian
// length, two ASCII digits of frame code), then the frame's own bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace varkelo::gateway {

inline constexpr std::int32_t DataFrameCode = 5;
inline constexpr std::int32_t EndFrameCode = 11;
inline constexpr std::size_t RecordSize = 1024;
inline constexpr std::size_t DataFrameSize = 6 + RecordSize;  // header, record number, record
inline constexpr std::size_t EndFrameSize = 5;                // header, result byte

// The one request a run sends: read the whole image (length 2, code "01").
inline constexpr std::array<std::uint8_t, 4> ReadRequestFrame = {0x02, 0x00, '0', '1'};

struct FrameHeader {
  std::int16_t length = 0;
  std::int32_t frameCode = 0;
  std::int16_t recordNumber = 0;
};

// Reads length, frame code and record number from the first six bytes of a
// frame; bytes the frame does not have read as 0. None when the length or the
// record number does not fit a signed 16-bit number (high byte 0x80 or more).
std::optional<FrameHeader> ReadFrameHeader(std::span<const std::uint8_t> frame);

// The acknowledgement of a received frame: the same bytes with bytes 2 and 3
// set to "15". A frame shorter than 4 bytes is answered as padded with zeros.
std::vector<std::uint8_t> BuildAckFrame(std::span<const std::uint8_t> frame);

// TCP delivers a byte stream, not frames. Given the bytes buffered so far,
// returns the size of the first complete frame, or 0 to wait for more:
// a data frame carrying a record is 1030 bytes, an end frame 5; any other frame
// has no known size and is everything buffered.
std::size_t CompleteFrameSize(std::span<const std::uint8_t> buffered);

}  // namespace varkelo::gateway
