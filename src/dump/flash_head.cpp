// The 8-byte head that begins every block of "read.nmd", configuration and
// measurement blocks alike.

#include <string>

#include "dump/dump_image.hpp"
#include "dump/field_group.hpp"

namespace varkelo::dump {

void Dump::RegisterFlashHead(std::int32_t sectionNumber) {
  static constexpr FieldSpec head[] = {
      {"US", 2, 0, "デバイス番号"}, {"US", 2, 0, "セクタ番号"}, {"UC", 1, 0, "年"},
      {"UC", 1, 0, "月"},           {"UC", 1, 0, "日"},         {"UC", 1, 0, "オプション"},
  };
  static_assert(std::size(head) == head::Entries && LabelIs(head, head::Year, "年") &&
                LabelIs(head, head::Month, "月") && LabelIs(head, head::Day, "日"));
  RegisterFields(*this, head, "S[" + std::to_string(sectionNumber) + "]Flash_Head");
}

}  // namespace varkelo::dump
