#include "dump/dump_image.hpp"

#include <algorithm>
#include <limits>
#include <optional>
#include <utility>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::dump {

Dump::Dump() : image_(DumpBlockSize, 0xFF), spare_(DumpBlockSize) {}

void Dump::Refuse(const char* why) {
  throw FieldError(why);
}

void Dump::ClearCatalog(Layout layout) {
  catalog_.clear();
  places_.clear();
  // The vectors are never moved while a layout is registered.
  const auto entries = static_cast<std::size_t>(layout == Layout::Config     ? config::FieldCount
                                                : layout == Layout::HalfHour ? halfhour::FieldCount
                                                                             : interval::FieldCount);
  catalog_.reserve(entries);
  places_.reserve(entries);
  nextOffset_ = 0;
  layout_ = layout;
}

void Dump::RegisterField(TypeCode type, std::int16_t length, Section section, FieldKind kind,
                         std::string_view label) {
  if (FieldCount() >= CatalogSlots) throw FieldError("field catalogue is full");
  if (length < 0) throw FieldError("negative field length");
  // Checked here once, so that reading a field never has to.
  if (nextOffset_ > DumpBlockSize - length) throw FieldError("field reaches past the image");
  catalog_.push_back({nextOffset_, length, type, kind, label, section});
  places_.push_back({nextOffset_, length, kind});
  nextOffset_ += length;
}

void Dump::PrepareCatalog(Layout layout) {
  image_.assign(DumpBlockSize, 0xFF);
  imageBlock_ = spareBlock_ = -1;
  if (layout == Layout::Config) {
    BuildConfigSchema();
  } else {
    BuildSectorSchema(layout);
  }
}

platform::Status Dump::LoadBlock(const std::filesystem::path& path, std::int32_t blockNumber) {
  if (blockNumber < 0) {
    return platform::Failure{.what = "cannot read block " + std::to_string(blockNumber) + " of",
                             .subject = platform::Utf8FromPath(path),
                             .error = std::make_error_code(std::errc::invalid_argument)};
  }
  // 64-bit: the blocks past 16383 start beyond what a 32-bit position holds.
  const std::int64_t position = std::int64_t{blockNumber} * DumpBlockSize;

  // Opened as a regular file only: a FIFO or device at "read.nmd" fails at once.
  platform::Result<platform::RegularFile> file = platform::RegularFile::OpenForReading(path);
  if (!file) return file.AsStatus();
  const platform::Result<std::size_t> read = file->ReadAt(position, spare_);
  if (!read) return read.AsStatus();
  // A short read at the end of the file leaves the rest of the block zero.
  std::fill(spare_.begin() + static_cast<std::ptrdiff_t>(*read), spare_.end(), 0);
  image_.swap(spare_);
  spareBlock_ = std::exchange(imageBlock_, blockNumber);
  return {};
}

platform::Status Dump::ReturnToBlock(const std::filesystem::path& path, std::int32_t blockNumber) {
  if (blockNumber < 0 || blockNumber != spareBlock_) return LoadBlock(path, blockNumber);
  image_.swap(spare_);
  std::swap(imageBlock_, spareBlock_);
  return {};
}

void Dump::LoadBlockBytes(std::span<const std::uint8_t> block) {
  imageBlock_ = spareBlock_ = -1;
  const std::size_t taken = std::min(block.size(), image_.size());
  std::copy_n(block.begin(), taken, image_.begin());
  std::fill(image_.begin() + static_cast<std::ptrdiff_t>(taken), image_.end(), 0);
}

FieldText Dump::GetFieldText(std::int32_t index) const {
  const FieldDescriptor& entry = Entry(index);
  if (entry.length <= 0) throw FieldError("field slot is empty");
  const std::uint8_t* bytes = image_.data() + entry.offset;
  switch (entry.kind) {
    case FieldKind::Number:
      return DecodeNumber(bytes, entry.length, entry.type);
    case FieldKind::StatusText:
    case FieldKind::ByteText:
      return DecodeByteText(bytes, entry.length);
    case FieldKind::MultibyteText:
      return DecodeMultibyteText(bytes, entry.length);
  }
  return FieldText{};
}

std::string Dump::SectionText(std::int32_t index) const {
  const Section& section = Entry(index).section;
  const auto number = [](std::string& text, std::int32_t n, std::string_view before) {
    text.append(before).append(std::to_string(n)).push_back(']');
  };
  std::string text;
  number(text, static_cast<std::int32_t>(layout_), "S[");
  text.append(section.path);
  if (section.hour >= 0) number(text, section.hour, "[");
  if (section.id >= 0) number(text, section.id, section.hour >= 0 ? "-ID[" : "[");
  return text;
}

}  // namespace varkelo::dump
