// The 8-byte head that begins every block of "read.nmd", configuration and
// measurement blocks alike.

#include "dump/dump_image.hpp"
#include "dump/field_group.hpp"

namespace varkelo::dump {

void Dump::RegisterFlashHead() {
  static constexpr FieldSpec head[] = {
      WordField("デバイス番号"), WordField("セクタ番号"), ByteField("年"),
      ByteField("月"),           ByteField("日"),         ByteField("オプション"),
  };
  static_assert(std::size(head) == head::Entries && LabelIs(head, head::Year, "年") &&
                LabelIs(head, head::Month, "月") && LabelIs(head, head::Day, "日"));
  RegisterFields(*this, head, {"Flash_Head"});
}

}  // namespace varkelo::dump
