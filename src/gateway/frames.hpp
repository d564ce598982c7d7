#pragma once

// The frames exchanged with the gateway: a 4-byte header (16-bit little-endian
// length, two ASCII digits of frame code), then the frame's own bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace varkelo::gateway {

inline constexpr std::int32_t DataFrameCode = 5;
inline constexpr std::int32_t EndFrameCode = 11;
inline constexpr std::size_t RecordSize = 1024;
inline constexpr std::size_t DataFrameSize = 6 + RecordSize;  // header, RecordNumber, record
inline constexpr std::size_t EndFrameSize = 5;                // header, result byte
inline constexpr std::int16_t ReadRequestPhase = 0;

struct FrameHeader {
  std::int16_t Length = 0;
  std::int32_t FrameCode = 0;
  std::int16_t RecordNumber = 0;
};

// The 4-byte RequestFrame of a phase (0 to 5); phase 0 is the read request.
// Any other phase gives the code "00".
std::array<std::uint8_t, 4> BuildRequestFrame(std::int16_t phase);

// The status text shown while the request of a phase is answered; empty for
// the phases that show none (3 to 5 and any unknown phase).
std::string RequestStatusText(std::int16_t phase, std::string_view gatewayAddress);

// Reads length, FrameCode and RecordNumber from the first six bytes of a frame;
// bytes the frame does not have read as 0. False when the length or the
// RecordNumber does not fit a signed 16-bit number (high byte 0x80 or more).
bool ReadFrameHeader(std::span<const std::uint8_t> frame, FrameHeader& header);

// The acknowledgement of a received frame: the same bytes with bytes 2 and 3
// set to "15". A frame shorter than 4 bytes is answered as padded with zeros.
std::vector<std::uint8_t> BuildAckFrame(std::span<const std::uint8_t> frame);

// TCP delivers a byte stream, not frames. Given the bytes buffered so far,
// returns the size of the first complete frame, or 0 to wait for more:
// a DataFrame carrying a record is 1030 bytes, an EndFrame 5; any other frame
// has no known size and is everything buffered.
std::size_t CompleteFrameSize(std::span<const std::uint8_t> buffered);

}  // namespace varkelo::gateway
