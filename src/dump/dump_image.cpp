#include "dump/dump_image.hpp"

#include <algorithm>
#include <limits>
#include <optional>

#include "platform/files.hpp"
#include "platform/utf8_path.hpp"

namespace varkelo::dump {

Dump::Dump() : image_(DumpBlockSize, 0xFF), catalog_(CatalogSlots) {}

std::string_view Dump::StoreText(std::string_view text) {
  auto found = texts_.find(text);
  if (found == texts_.end()) found = texts_.emplace(text).first;
  return *found;
}

void Dump::ClearCatalog() {
  catalog_.assign(CatalogSlots, FieldDescriptor{});
  fieldCount_ = 0;
  nextOffset_ = 0;
  texts_.clear();
}

void Dump::RegisterField(std::string_view typeCode, std::int16_t length, std::string_view section,
                         std::uint8_t kind, std::string_view label) {
  if (fieldCount_ < 0 || static_cast<std::size_t>(fieldCount_) >= catalog_.size()) {
    throw FieldError("field catalogue is full");
  }
  if (length < 0) throw FieldError("negative field length");
  if (nextOffset_ > std::numeric_limits<std::int32_t>::max() - length) {
    throw FieldError("field offset overflows");
  }
  FieldDescriptor& entry = catalog_[static_cast<std::size_t>(fieldCount_)];
  entry.Offset = nextOffset_;
  entry.Label = StoreText(label);
  entry.TypeCode = StoreText(typeCode);
  entry.Length = length;
  entry.Section = StoreText(section);
  entry.Kind = kind;
  // Decided once here so that decoding never compares type codes.
  entry.Sign = SignOfTypeCode(typeCode);
  nextOffset_ += length;
  ++fieldCount_;
}

void Dump::PrepareCatalog(std::int32_t schemaId) {
  image_.assign(DumpBlockSize, 0xFF);
  switch (schemaId) {
    case ConfigSchemaId:
      BuildConfigSchema();
      break;
    case HalfHourSchemaId:
      BuildHalfHourSchema(HalfHourSchemaId);
      break;
    case IntervalSchemaId:
      BuildIntervalSchema(IntervalSchemaId);
      break;
    default:
      ClearCatalog();
      break;
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
  if (index < 0 || index >= fieldCount_ || static_cast<std::size_t>(index) >= catalog_.size()) {
    throw FieldError("field index not registered");
  }
  const FieldDescriptor& entry = catalog_[static_cast<std::size_t>(index)];
  if (entry.Length <= 0) throw FieldError("field slot is empty");
  if (entry.Offset < 0 ||
      static_cast<std::size_t>(entry.Offset) + static_cast<std::size_t>(entry.Length) > image_.size()) {
    throw FieldError("field reaches past the image");
  }
  const std::uint8_t* bytes = image_.data() + entry.Offset;
  switch (entry.Kind) {
    case 0:
      return DecodeNumber(bytes, entry.Length, entry.Sign);
    case 1:
    case 2:
      return DecodeByteText(bytes, entry.Length);
    case 3:
      return DecodeMultibyteText(bytes, entry.Length);
    default:
      return FieldText{};
  }
}

}  // namespace varkelo::dump
