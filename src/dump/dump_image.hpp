#pragma once

// "read.nmd" as blocks of DumpBlockSize bytes, the image of the one block loaded, and the
// catalogue of typed fields that describes it. This object owns the values the
// whole export works on: the image and the catalogue with its two counters.
// The export reads fields as values (Number, Text); GetFieldText gives any
// field's text.

#include <concepts>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dump/byte_text.hpp"
#include "dump/field_text.hpp"
#include "dump/layout.hpp"
#include "platform/failure.hpp"

namespace varkelo::dump {

// At most this many entries fit a catalogue.
inline constexpr std::int32_t CatalogSlots = 65537;

// The layouts a catalogue can hold; the number of each is the n of its section texts "S[n]".
enum class Layout : std::uint8_t { Config = 0, HalfHour = 1, Interval = 2 };

// How a number field's bytes are read: "C", "S", "L" signed, "UC", "US", "UL"
// unsigned. Text fields carry Unsigned8 ("UC").
enum class TypeCode : std::uint8_t { Signed8, Signed16, Signed32, Unsigned8, Unsigned16, Unsigned32 };

enum class FieldKind : std::uint8_t {
  Number,
  StatusText,     // the half-hourly "計器状態": single bytes, read like ByteText
  ByteText,       // single-byte text up to the first 0x00
  MultibyteText,  // code page 932 text, every byte of the field
};

// The group a field belongs to, as its section text names it: "S[n]", the
// path, then "[hour]" when there is one, then "-ID[id]" after an hour or
// "[id]" without one: "S[1]-Hour[0]-ID[1]", "S[1]Hour[47]",
// "S[0]Hard_Data-Meter_Info[12]". Written out only when asked for.
struct Section {
  std::string_view path;
  std::int16_t hour = -1;
  std::int16_t id = -1;
};

struct FieldDescriptor {
  std::int32_t offset = 0;
  std::int16_t length = 0;
  TypeCode type = TypeCode::Unsigned8;
  FieldKind kind = FieldKind::Number;
  std::string_view label;  // a text that lives as long as the program
  Section section;
};

// Decoders of one field's bytes into its text; used by GetFieldText.
FieldText DecodeNumber(const std::uint8_t* bytes, std::int16_t length, TypeCode type);
FieldText DecodeByteText(const std::uint8_t* bytes, std::int16_t length);
FieldText DecodeMultibyteText(const std::uint8_t* bytes, std::int16_t length);

class Dump {
 public:
  Dump();
  Dump(const Dump&) = delete;
  Dump& operator=(const Dump&) = delete;

  // Appends one entry at NextOffset. Throws FieldError past the last slot,
  // for a negative length and for a field that would reach past the image.
  // `label` and `section.path` must live as long as the catalogue.
  void RegisterField(TypeCode type, std::int16_t length, Section section, FieldKind kind,
                     std::string_view label);

  // Recreates the image (all 0xFF) and the catalogue, then registers the given layout.
  void PrepareCatalog(Layout layout);

  // Reads block blockNumber of the file into the image. Bytes past the end of
  // the file read as 0. Fails, with the image unchanged, for a negative block
  // number and when the file is not a regular file or cannot be read.
  platform::Status LoadBlock(const std::filesystem::path& path, std::int32_t blockNumber);

  // Makes block blockNumber of the same file the image again: without
  // reading when it is the block the image held before the last load, else
  // as LoadBlock does.
  platform::Status ReturnToBlock(const std::filesystem::path& path, std::int32_t blockNumber);

  // Takes a block held in memory as LoadBlock takes one from the file: the
  // first DumpBlockSize bytes, zeros past the end of `block`.
  void LoadBlockBytes(std::span<const std::uint8_t> block);

  // A number field of exactly T's width as stored: its unsigned value, none
  // when erased (every byte 0xFF). Throws FieldError for an index outside the
  // registered entries or a field that is no number of that width.
  template <std::unsigned_integral T>
  std::optional<T> Number(std::int32_t index) const {
    const Place& entry = PlaceOf(index);
    if (entry.kind != FieldKind::Number || entry.length != static_cast<std::int16_t>(sizeof(T)))
        [[unlikely]] {
      Refuse("field is no number of that width");
    }
    const std::uint8_t* bytes = image_.data() + entry.offset;
    T value = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) value = static_cast<T>((value << 8) | bytes[i]);
    if (value == static_cast<T>(~T{0})) return std::nullopt;
    return value;
  }

  // A single-byte text field as stored. Throws FieldError as Number does.
  ByteText Text(std::int32_t index) const {
    const FieldKind kind = PlaceOf(index).kind;
    if (kind != FieldKind::ByteText && kind != FieldKind::StatusText)
      throw FieldError("field is no single-byte text");
    return ByteText(Bytes(index));
  }

  // The bytes of any registered field. Throws FieldError as Number does.
  std::span<const std::uint8_t> Bytes(std::int32_t index) const {
    const Place& entry = PlaceOf(index);
    return std::span(image_.data() + entry.offset, static_cast<std::size_t>(entry.length));
  }

  // The text of catalogue entry `index` taken from the current image.
  // Throws FieldError for an index outside the registered entries.
  FieldText GetFieldText(std::int32_t index) const;

  // The section text of entry `index`, e.g. "S[1]-Hour[0]-ID[1]".
  std::string SectionText(std::int32_t index) const;

  // The block loaded, DumpBlockSize bytes.
  std::span<const std::uint8_t> Image() const { return image_; }
  // The entries registered.
  std::span<const FieldDescriptor> Catalog() const { return catalog_; }
  // Entries registered, which is also the index the next one receives.
  std::int32_t FieldCount() const { return static_cast<std::int32_t>(catalog_.size()); }
  // Where the next registered field starts.
  std::int32_t NextOffset() const { return nextOffset_; }

 private:
  // Throws FieldError; kept out of line so that the readers above stay small.
  [[noreturn]] static void Refuse(const char* why);

  // Where a field lies and what it is: what reading a value needs of its
  // entry, kept apart from the labels so that the readers touch little memory.
  struct Place {
    std::int32_t offset;
    std::int16_t length;
    FieldKind kind;
  };

  const Place& PlaceOf(std::int32_t index) const {
    if (index < 0 || index >= FieldCount()) [[unlikely]] {
      Refuse("field index not registered");
    }
    return places_[static_cast<std::size_t>(index)];
  }

  const FieldDescriptor& Entry(std::int32_t index) const {
    if (index < 0 || index >= FieldCount()) [[unlikely]] {
      Refuse("field index not registered");
    }
    return catalog_[static_cast<std::size_t>(index)];
  }

  // The layout builders; each starts from an empty catalogue.
  void BuildConfigSchema();
  void BuildSectorSchema(Layout layout);
  // Empties the catalogue and its counter.
  void ClearCatalog(Layout layout);
  // The 8-byte head every block begins with, section "S[n]Flash_Head".
  void RegisterFlashHead();

  std::vector<std::uint8_t> image_;
  // What a load reads into before it becomes the image; after a load, the image before it.
  std::vector<std::uint8_t> spare_;
  // The blocks of the file in the image and in spare_; -1 for anything else.
  std::int32_t imageBlock_ = -1;
  std::int32_t spareBlock_ = -1;
  std::vector<FieldDescriptor> catalog_;
  std::vector<Place> places_;
  std::int32_t nextOffset_ = 0;
  Layout layout_ = Layout::Config;
};

}  // namespace varkelo::dump
