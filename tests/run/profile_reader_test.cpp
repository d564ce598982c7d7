#include "run/profile_reader.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "file_hazards.hpp"
#include "temp_folder.hpp"

using namespace varkelo::run;
using namespace std::string_literals;

namespace {

// A file saved as "Unicode": a byte-order mark and UTF-16 code units.
std::string Utf16(std::u16string_view text, bool bigEndian = false) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// "System.ini" with the given bytes, read back as GatewayAddress.
std::string AddressFrom(const std::string& iniBytes) {
  TempFolder temp;
  std::ofstream(temp.Path() / "System.ini", std::ios::binary) << iniBytes;
  const auto address = ReadGatewayAddress(temp.Path());
  return address ? *address : "(unreadable)";
}

TEST(ProfileReader, GatewayAddressFromSystemIni) {
  std::string digits;  // 300 of them: a value keeps 254 bytes, its quotes not counted
  for (int i = 0; i < 300; ++i) digits += static_cast<char>('0' + i % 10);
  std::string kept;  // characters from UTF-16 are kept whole: 84 of 3 bytes, not 84 and a part
  for (int i = 0; i < 84; ++i) kept += "あ";
  const struct {
    const char* name;
    std::string ini;
    std::string address;
  } cases[] = {
      {"blanks around", "[System]\r\n \tAddress \t=  \t192.0.2.10 \t \r\n", "192.0.2.10"},
      {"blanks in the header", "  [ System\t]  \r\nAddress=192.0.2.10\r\n", "192.0.2.10"},
      {"other case", "[sYSTEM]\r\naddress=192.0.2.10\r\n", "192.0.2.10"},
      {"mixed line ends", "[System]\r\r\n\nAddress=192.0.2.10\r", "192.0.2.10"},
      {"byte-order mark", "\xEF\xBB\xBF[System]\r\nAddress=192.0.2.10\r\n", "192.0.2.10"},
      {"byte-order mark later is text", "\r\n\xEF\xBB\xBF[System]\r\nAddress=192.0.2.10\r\n", ""},
      {"single quotes", "[System]\r\nAddress='192.0.2.10'\r\n", "192.0.2.10"},
      {"spaces inside quotes", "[System]\r\nAddress=\"  192.0.2.10  \"\r\n", "192.0.2.10"},
      {"unmatched quotes stay", "[System]\r\nAddress=\"192.0.2.10'\r\n", "\"192.0.2.10'"},
      {"only one pair goes", "[System]\r\nAddress=\"\"192.0.2.10\"\"\r\n", "\"192.0.2.10\""},
      {"comments", ";[System]\r\n[System]\r\n ; Address=1.1.1.1\r\nAddress=192.0.2.10\r\n", "192.0.2.10"},
      {"no comment after a value", "[System]\r\nAddress=192.0.2.10 ; gateway\r\n", "192.0.2.10 ; gateway"},
      {"value holding =", "[System]\r\nAddress=a=b\r\n", "a=b"},
      {"empty first key line wins", "[System]\r\nAddress=\r\nAddress=1.1.1.1\r\n", ""},
      {"without =", "[System]\r\nAddress\r\nAddress 192.0.2.9\r\nAddress=192.0.2.10\r\n", "192.0.2.10"},
      {"other keys", "[System]\r\nAddressX=1\r\nAddr=2\r\nAddress=192.0.2.10\r\n", "192.0.2.10"},
      {"key before any section", "Address=1.1.1.1\r\n[System]\r\nAddress=192.0.2.10\r\n", "192.0.2.10"},
      {"key in another section", "[Other]\r\nAddress=1.1.1.1\r\n[Systems]\r\nAddress=2.2.2.2\r\n", ""},
      {"later System section", "[System]\r\nPort=1\r\n[Other]\r\n[System]\r\nAddress=1.1.1.1\r\n", ""},
      {"text after the header", "[System] old\r\nAddress=192.0.2.10\r\n", "192.0.2.10"},
      {"unclosed header", "[System]\r\n[Address=1.1.1.1\r\nAddress=192.0.2.10\r\n", "192.0.2.10"},
      {"spaces before the NUL", "[System]\r\nAddress=192.0.2.10  \0\r\n"s, "192.0.2.10"},
      {"VT, FF, ^Z", "\v[System]\x1A\r\n\fAddress\v=\v\f\x1A 192.0.2.10\x1A\f\v\r\n\x1A", "192.0.2.10"},
      {"UTF-16 little endian", Utf16(u"[System]\r\n Address = 192.0.2.10\r\n"), "192.0.2.10"},
      {"UTF-16 big endian", Utf16(u"[System]\nAddress=192.0.2.10", true), "192.0.2.10"},
      {"UTF-16 mark later is text", "\r\n" + Utf16(u"[System]\r\nAddress=192.0.2.10\r\n"), ""},
      // Bytes are kept as they stand; inside quotes the blanks stay, and the address loses only its spaces.
      {"Shift-JIS bytes", "[System]\r\nAddress=\x83\x51\x81\x5B\x83\x67\r\n", "\x83\x51\x81\x5B\x83\x67"},
      {"blanks inside quotes", "[System]\r\nAddress=  \"\t \"  \r\n", "\t"},
      // From UTF-16: a pair of surrogates is one character, a lone one U+FFFD.
      {"UTF-16 surrogates", Utf16(u"[System]\r\nAddress=\U0001F600\xD800x\r\n"),
       "\xF0\x9F\x98\x80\xEF\xBF\xBDx"},
      {"at most 254 bytes", "[System]\r\nAddress=" + digits + "\r\n", digits.substr(0, 254)},
      {"quotes not counted", "[System]\r\nAddress=\"" + digits.substr(0, 254) + "\"\r\n",
       digits.substr(0, 254)},
      {"whole characters", Utf16(u"[System]\nAddress=" + std::u16string(100, u'あ')), kept},
  };
  for (const auto& c : cases) EXPECT_EQ(AddressFrom(c.ini), c.address) << c.name;
}

// A folder or a FIFO standing where the file should be fails at once, and
// says which file.
TEST(ProfileReader, NoRegularFileFailsNamingIt) {
  TempFolder temp;
  const std::filesystem::path ini = temp.Path() / "System.ini";
  for (const bool fifo : {false, true}) {
    fifo ? MakeFifo(ini) : static_cast<void>(std::filesystem::create_directory(ini));
    const auto address = ReadGatewayAddress(temp.Path());
    ASSERT_FALSE(address) << fifo;
    EXPECT_NE(address.Reason().Describe().find("System.ini: "), std::string::npos);
    std::filesystem::remove(ini);
  }
}

}  // namespace
