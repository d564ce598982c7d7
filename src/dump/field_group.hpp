#pragma once

// One field of a layout as the schema builders list it, and the registering of
// a group of them under one section.

#include <cstdint>
#include <span>
#include <string_view>

#include "dump/dump_image.hpp"

namespace varkelo::dump {

// Meter positions of the configuration table and of every measurement slot.
inline constexpr std::int32_t MeterCount = 40;

struct FieldSpec {
  std::string_view TypeCode;
  std::int16_t Length;
  std::uint8_t Kind;
  std::string_view Label;
};

inline void RegisterFields(Dump& dump, std::span<const FieldSpec> fields, std::string_view section) {
  for (const FieldSpec& f : fields) dump.RegisterField(f.TypeCode, f.Length, section, f.Kind, f.Label);
}

}  // namespace varkelo::dump
