#pragma once

// One field of a layout as the schema builders list it, and the registering of
// a group of them under one section.

#include <cstdint>
#include <span>
#include <string_view>

#include "dump/dump_image.hpp"

namespace varkelo::dump {

struct FieldSpec {
  std::string_view TypeCode;
  std::int16_t Length;
  std::uint8_t Kind;
  std::string_view Label;
};

// Whether field `index` of a table carries `label`: lets a builder check at
// compile time that the positions named in layout.hpp sit on the right fields.
constexpr bool LabelIs(std::span<const FieldSpec> fields, std::int32_t index, std::string_view label) {
  return index >= 0 && static_cast<std::size_t>(index) < fields.size() &&
         fields[static_cast<std::size_t>(index)].Label == label;
}

inline void RegisterFields(Dump& dump, std::span<const FieldSpec> fields, std::string_view section) {
  for (const FieldSpec& f : fields) dump.RegisterField(f.TypeCode, f.Length, section, f.Kind, f.Label);
}

}  // namespace varkelo::dump
