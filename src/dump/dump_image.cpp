#include "dump/dump_image.hpp"

#include <cstdio>
#include <limits>
#include <memory>

namespace varkelo::dump {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

Dump::Dump() : DumpImage(DumpBlockSize, 0xFF), FieldCatalog(CatalogSlots) {}

std::string_view Dump::StoreText(std::string_view text) {
  auto found = texts_.find(text);
  if (found == texts_.end()) found = texts_.emplace(text).first;
  return *found;
}

void Dump::ClearCatalog() {
  FieldCatalog.assign(CatalogSlots, FieldDescriptor{});
  FieldCount = 0;
  NextOffset = 0;
  texts_.clear();
}

void Dump::RegisterField(std::string_view typeCode, std::int16_t length, std::string_view section,
                         std::uint8_t kind, std::string_view label) {
  if (FieldCount < 0 || static_cast<std::size_t>(FieldCount) >= FieldCatalog.size()) {
    throw FieldError("field catalogue is full");
  }
  if (length < 0) throw FieldError("negative field length");
  if (NextOffset > std::numeric_limits<std::int32_t>::max() - length) {
    throw FieldError("field offset overflows");
  }
  FieldDescriptor& entry = FieldCatalog[static_cast<std::size_t>(FieldCount)];
  entry.Offset = NextOffset;
  entry.Label = StoreText(label);
  entry.TypeCode = StoreText(typeCode);
  entry.Length = length;
  entry.Section = StoreText(section);
  entry.Kind = kind;
  // Decided once here so that decoding never compares type codes.
  entry.Sign = SignOfTypeCode(typeCode);
  NextOffset += length;
  ++FieldCount;
}

void Dump::PrepareCatalog(std::int32_t schemaId) {
  DumpImage.assign(DumpBlockSize, 0xFF);
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

bool Dump::LoadDumpBlock(const std::filesystem::path& path) {
  if (BlockNumber < 0) return false;
  // 64-bit: the blocks past 16383 start beyond what a 32-bit position holds.
  const auto position = static_cast<std::int64_t>(BlockNumber) * DumpBlockSize;

  std::vector<std::uint8_t> buffer(DumpBlockSize, 0);
  FileHandle file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  if (fseeko(file.get(), static_cast<off_t>(position), SEEK_SET) != 0) return false;
  // A short read at the end of the file leaves the rest of the block zero.
  std::fread(buffer.data(), 1, buffer.size(), file.get());
  if (std::ferror(file.get())) return false;

  DumpImage.swap(buffer);
  return true;
}

FieldText Dump::GetFieldText(std::int32_t index) const {
  if (index < 0 || index >= FieldCount || static_cast<std::size_t>(index) >= FieldCatalog.size()) {
    throw FieldError("field index not registered");
  }
  const FieldDescriptor& entry = FieldCatalog[static_cast<std::size_t>(index)];
  if (entry.Length <= 0) throw FieldError("field slot is empty");
  if (entry.Offset < 0 ||
      static_cast<std::size_t>(entry.Offset) + static_cast<std::size_t>(entry.Length) > DumpImage.size()) {
    throw FieldError("field reaches past the image");
  }
  const std::uint8_t* bytes = DumpImage.data() + entry.Offset;
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
