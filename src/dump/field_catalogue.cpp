#include "dump/field_catalogue.hpp"

#include <cassert>

#include "dump/layout.hpp"

namespace varkelo::dump {

FieldCatalogue::FieldCatalogue(Layout layout) : layout_(layout) {
  entries_.reserve(static_cast<std::size_t>(layout == Layout::Config     ? config::FieldCount
                                            : layout == Layout::HalfHour ? halfhour::FieldCount
                                                                         : interval::FieldCount));
  Register(FlashHead, {"Flash_Head"});
  if (layout == Layout::Config) {
    BuildConfig();
  } else {
    BuildSectors();
  }
}

void FieldCatalogue::Register(std::span<const FieldSpec> fields, Section section) {
  for (const FieldSpec& field : fields) {
    entries_.push_back({nextOffset_, field.length, field.kind, field.label, section});
    nextOffset_ += field.length;
  }
}

const FieldDescriptor& FieldCatalogue::Entry(std::int32_t index) const {
  assert(index >= 0 && index < FieldCount());
  return entries_[static_cast<std::size_t>(index)];
}

std::string FieldCatalogue::SectionText(std::int32_t index) const {
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

// Slots h = 0, 1, ...: a group per meter position, section "S[n]-Hour[h]-ID[j]", then
// the slot trailer, whose section has no "-" after "S[n]".
void FieldCatalogue::BuildSectors() {
  const bool halfHourly = layout_ == Layout::HalfHour;
  const std::int16_t slots = halfHourly ? halfhour::Slots : interval::Slots;
  const std::span<const FieldSpec> group =
      halfHourly ? std::span<const FieldSpec>(HalfHourGroup) : IntervalGroup;
  const std::span<const FieldSpec> trailer =
      halfHourly ? std::span<const FieldSpec>(HalfHourTrailer) : IntervalTrailer;
  for (std::int16_t h = 0; h < slots; ++h) {
    for (std::int16_t j = 1; j <= MeterCount; ++j) Register(group, {"-Hour", h, j});
    Register(trailer, {"Hour", h});
  }
}

}  // namespace varkelo::dump
