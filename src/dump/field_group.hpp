#pragma once

// One field of a layout as the schema builders list it, and the registering of
// a group of them under one section.

#include <cstdint>
#include <span>
#include <string_view>

#include "dump/dump_image.hpp"

namespace varkelo::dump {

struct FieldSpec {
  TypeCode type;
  std::int16_t length;
  FieldKind kind;
  std::string_view label;
};

// The specs of the commonest fields.
constexpr FieldSpec ByteField(std::string_view label) {
  return {TypeCode::Unsigned8, 1, FieldKind::Number, label};
}
constexpr FieldSpec WordField(std::string_view label) {
  return {TypeCode::Unsigned16, 2, FieldKind::Number, label};
}
constexpr FieldSpec LongField(std::string_view label) {
  return {TypeCode::Unsigned32, 4, FieldKind::Number, label};
}
constexpr FieldSpec TextField(std::int16_t length, std::string_view label) {
  return {TypeCode::Unsigned8, length, FieldKind::ByteText, label};
}

// Whether field `index` of a table carries `label`: lets a builder check at
// compile time that the positions named in layout.hpp sit on the right fields.
constexpr bool LabelIs(std::span<const FieldSpec> fields, std::int32_t index, std::string_view label) {
  return index >= 0 && static_cast<std::size_t>(index) < fields.size() &&
         fields[static_cast<std::size_t>(index)].label == label;
}

inline void RegisterFields(Dump& dump, std::span<const FieldSpec> fields, Section section) {
  for (const FieldSpec& f : fields) dump.RegisterField(f.type, f.length, section, f.kind, f.label);
}

}  // namespace varkelo::dump
