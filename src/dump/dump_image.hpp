#pragma once

// "read.nmd" as blocks of DumpBlockSize bytes, the image of the one block loaded, and the
// catalogue of typed fields that describes it. This object owns the values the
// whole export works on: the image and the catalogue with its two counters.
// Every field is read through GetFieldText.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "dump/field_text.hpp"
#include "dump/layout.hpp"
#include "platform/failure.hpp"

namespace varkelo::dump {

inline constexpr std::int32_t CatalogSlots = 65537;

// Layouts a catalogue can hold.
inline constexpr std::int32_t ConfigSchemaId = 0;
inline constexpr std::int32_t HalfHourSchemaId = 1;
inline constexpr std::int32_t IntervalSchemaId = 2;

// The texts erased memory (all bytes 0xFF) decodes to.
inline constexpr std::string_view ErasedByteText = "255";
inline constexpr std::string_view ErasedWordText = "65535";
inline constexpr std::string_view ErasedLongText = "4294967295";
// Eight U+F8F3: an erased eight-byte multiplier.
inline constexpr std::string_view ErasedMultiplierText =
    "\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3\xEF\xA3\xB3";

// Sign correction of a number field, taken from its type code when registered.
enum class NumberSign : std::uint8_t { Unsigned, Signed8, Signed16, Signed32 };

struct FieldDescriptor {
  std::int32_t Offset = 0;
  std::string_view Label;     // points into the catalogue's own text store
  std::string_view TypeCode;  // "C", "S", "L", "UC", "US", "UL" or any other
  std::int16_t Length = 0;
  std::string_view Section;  // points into the catalogue's own text store
  std::uint8_t Kind = 0;     // 0 number, 1 and 2 byte text, 3 multibyte text
  NumberSign Sign = NumberSign::Unsigned;
};

// Decoders of one field's bytes; used by GetFieldText.
FieldText DecodeNumber(const std::uint8_t* bytes, std::int16_t length, NumberSign sign);
FieldText DecodeNumber(const std::uint8_t* bytes, std::int16_t length, std::string_view typeCode);
FieldText DecodeByteText(const std::uint8_t* bytes, std::int16_t length);
FieldText DecodeMultibyteText(const std::uint8_t* bytes, std::int16_t length);

NumberSign SignOfTypeCode(std::string_view typeCode);

class Dump {
 public:
  Dump();
  Dump(const Dump&) = delete;
  Dump& operator=(const Dump&) = delete;

  // Appends one entry at NextOffset. Throws FieldError past the last slot, for
  // a negative length, and when NextOffset would overflow.
  void RegisterField(std::string_view typeCode, std::int16_t length, std::string_view section,
                     std::uint8_t kind, std::string_view label);

  // Recreates the image (all 0xFF) and the catalogue, then registers the given
  // layout: 0 configuration, 1 half-hourly, 2 interval, anything else none.
  void PrepareCatalog(std::int32_t schemaId);

  // Reads block blockNumber of the file into the image. Bytes past the end of
  // the file read as 0. Fails, with the image unchanged, for a negative block
  // number and when the file is not a regular file or cannot be read.
  platform::Status LoadBlock(const std::filesystem::path& path, std::int32_t blockNumber);

  // Takes a block held in memory as LoadBlock takes one from the file: the
  // first DumpBlockSize bytes, zeros past the end of `block`.
  void LoadBlockBytes(std::span<const std::uint8_t> block);

  // The text of catalogue entry `index` taken from the current image.
  // Throws FieldError for an index outside the registered entries.
  FieldText GetFieldText(std::int32_t index) const;

  // The block loaded, DumpBlockSize bytes.
  std::span<const std::uint8_t> Image() const { return image_; }
  // All CatalogSlots slots; those from FieldCount() on are empty.
  std::span<const FieldDescriptor> Catalog() const { return catalog_; }
  // Entries registered, which is also the index the next one receives.
  std::int32_t FieldCount() const { return fieldCount_; }
  // Where the next registered field starts.
  std::int32_t NextOffset() const { return nextOffset_; }

 private:
  // Lets the text store be searched with a string_view without building a string.
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };

  // The layout builders; each starts from an empty catalogue.
  void BuildConfigSchema();
  void BuildHalfHourSchema(std::int32_t sectionNumber);
  void BuildIntervalSchema(std::int32_t sectionNumber);

  std::string_view StoreText(std::string_view text);
  // Empties every slot, the counters and the text store.
  void ClearCatalog();
  // The 8-byte head every block begins with, section "S[n]Flash_Head".
  void RegisterFlashHead(std::int32_t sectionNumber);

  std::vector<std::uint8_t> image_;
  std::vector<FieldDescriptor> catalog_;
  std::int32_t fieldCount_ = 0;
  std::int32_t nextOffset_ = 0;
  // Owns the label, section and type code texts the descriptors point to.
  // Nodes never move, so the views stay valid until the catalogue is cleared.
  std::unordered_set<std::string, TextHash, std::equal_to<>> texts_;
};

}  // namespace varkelo::dump
