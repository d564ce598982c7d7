// The 8-byte head that begins every block of "read.nmd", configuration and
// measurement blocks alike.

#include <string>

#include "dump/dump_image.hpp"

namespace varkelo::dump {

void Dump::RegisterFlashHead(std::int32_t sectionNumber) {
  const std::string section = "S[" + std::to_string(sectionNumber) + "]Flash_Head";
  RegisterField("US", 2, section, 0, "デバイス番号");
  RegisterField("US", 2, section, 0, "セクタ番号");
  RegisterField("UC", 1, section, 0, "年");
  RegisterField("UC", 1, section, 0, "月");
  RegisterField("UC", 1, section, 0, "日");
  RegisterField("UC", 1, section, 0, "オプション");
}

}  // namespace varkelo::dump
