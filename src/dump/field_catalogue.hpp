#pragma once

// The field catalogue of a layout: every field of a block in the order it
// lies there, with its place, kind, label and section. The export reads
// through the handles of field_handles.hpp; the catalogue serves the text of
// any field (field_text.hpp) for the tools and the tests.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dump/field_tables.hpp"
#include "dump/layout.hpp"

namespace varkelo::dump {

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
  FieldKind kind = FieldKind::Number;
  std::string_view label;  // a text that lives as long as the program
  Section section;
};

class FieldCatalogue {
 public:
  // The catalogue of `layout`, its entries tiling the block from byte 0.
  explicit FieldCatalogue(Layout layout);

  Layout GetLayout() const { return layout_; }
  std::span<const FieldDescriptor> Entries() const { return entries_; }
  // Entries registered; catalogue indices run from 0 to FieldCount() - 1.
  std::int32_t FieldCount() const { return static_cast<std::int32_t>(entries_.size()); }
  // The bytes of the block the entries describe.
  std::int32_t Bytes() const { return nextOffset_; }
  // Entry `index`, 0 to FieldCount() - 1.
  const FieldDescriptor& Entry(std::int32_t index) const;
  // The section text of entry `index`, e.g. "S[1]-Hour[0]-ID[1]".
  std::string SectionText(std::int32_t index) const;

 private:
  void Register(std::span<const FieldSpec> fields, Section section);
  void BuildConfig();
  void BuildSectors();

  Layout layout_;
  std::vector<FieldDescriptor> entries_;
  std::int32_t nextOffset_ = 0;
};

}  // namespace varkelo::dump
