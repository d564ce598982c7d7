#include "dump/dump_image.hpp"

#include <algorithm>
#include <limits>
#include <optional>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::dump {

Dump::Dump() : image_(DumpBlockSize, 0xFF) {}

void Dump::ClearCatalog(Layout layout) {
  catalog_.clear();
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
  nextOffset_ += length;
}

void Dump::PrepareCatalog(Layout layout) {
  image_.assign(DumpBlockSize, 0xFF);
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
  std::vector<std::uint8_t> buffer(DumpBlockSize, 0);
  // A short read at the end of the file leaves the rest of the block zero.
  if (const auto read = file->ReadAt(position, buffer); !read) return read.AsStatus();
  image_.swap(buffer);
  return {};
}

void Dump::LoadBlockBytes(std::span<const std::uint8_t> block) {
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
  std::string text = "S[" + std::to_string(static_cast<int>(layout_)) + "]";
  text += section.path;
  if (section.hour >= 0) text += "[" + std::to_string(section.hour) + "]";
  if (section.id >= 0) text += (section.hour >= 0 ? "-ID[" : "[") + std::to_string(section.id) + "]";
  return text;
}

}  // namespace varkelo::dump
