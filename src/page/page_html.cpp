#include "page/page_html.hpp"

#include <array>
#include <cstdio>
#include <string_view>
#include <vector>

#include "page/page_assets.hpp"
#include "util/markup.hpp"

namespace varkelo::page {
namespace {

// The characters of the value code: printable ASCII without the quote, the
// backslash, "<" (nothing in the data may end the script element) and ".",
// which marks a missing value. The first half are last digits, the second
// half digits that more digits follow.
constexpr std::array<char, 90> CodeAlphabet = [] {
  std::array<char, 90> alphabet{};
  std::size_t n = 0;
  for (char c = '!'; c <= '~'; ++c) {
    if (c != '"' && c != '\\' && c != '<' && c != '.') alphabet[n++] = c;
  }
  return alphabet;
}();
constexpr std::int64_t CodeBase = 45;

// Erased memory (bytes 0xFF) reads as U+F8F3, which no font shows; the page
// says what it is instead.
constexpr std::string_view ErasedChar = "\uF8F3";
constexpr std::string_view ErasedText = "未登録";

std::string Html(std::string_view text) {
  std::string out;
  util::AppendMarkupText(out, text);
  return out;
}

// `text` with each run of erased characters as `mark`.
std::string WithErasedMarked(std::string_view text, std::string_view mark) {
  std::string out;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t erased = text.find(ErasedChar, at);
    out += text.substr(at, erased - at);
    if (erased == std::string_view::npos) break;
    out += mark;
    for (at = erased; text.substr(at).starts_with(ErasedChar);) at += ErasedChar.size();
  }
  return out;
}

// A text of the files as HTML, erased runs as 未登録 in grey.
void AppendFileText(std::string& out, std::string_view text) {
  out += WithErasedMarked(Html(text), "<span class=\"erased\">" + std::string(ErasedText) + "</span>");
}

// A JSON string inside a script element: "<" escaped too, so no text can end it.
void AppendJsonString(std::string& out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || c == '<' || c == '>' || c == '&') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

std::string DateText(const CalendarDay& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.year % 10000, date.month % 100, date.day % 100);
  return text;
}

// The 48 values of a day: each value in base CodeBase, most significant digit
// first, the digits before the last from the alphabet's second half, "." for
// a missing value; trailing missing values left out.
std::string EncodedValues(const MeterDay& meter) {
  std::string code;
  std::size_t kept = 0;  // the code's length up to its last value
  for (const std::int64_t value : meter.consumption) {
    if (value == NoValue) {
      code += '.';
      continue;
    }
    char digits[16];
    std::size_t count = 0;
    std::int64_t rest = value;
    do {
      // The last digit (the first made) from the first half of the alphabet.
      const std::int64_t half = count == 0 ? 0 : CodeBase;
      digits[count++] = CodeAlphabet[static_cast<std::size_t>(rest % CodeBase + half)];
      rest /= CodeBase;
    } while (rest > 0);
    while (count > 0) code += digits[--count];
    kept = code.size();
  }
  code.resize(kept);
  return code;
}

// One day of the data block: {"d":date,"s":start file?, then either "m" with
// each meter's [position, multiplier, values] or, summed, "t" with each
// meter's [position, multiplier, count of values, their sum]}.
std::string DayEntry(const DayValues& day, bool summed) {
  std::string out = R"({"d":")" + DateText(day.date) + R"(","s":)" +
                    (day.kind == DayFileKind::NextDayStart ? "1" : "0") +
                    (summed ? R"(,"t":[)" : R"(,"m":[)");
  bool first = true;
  for (int position = 1; position <= MeterPositions; ++position) {
    const MeterDay& meter = day.meters[static_cast<std::size_t>(position - 1)];
    int count = 0;
    std::int64_t sum = 0;
    for (const std::int64_t value : meter.consumption) {
      if (value == NoValue) continue;
      ++count;
      sum += value;
    }
    if (count == 0) continue;
    if (!first) out += ',';
    first = false;
    out += '[' + std::to_string(position) + ',';
    AppendJsonString(out, WithErasedMarked(meter.multiplier, ErasedText));
    out += summed ? ',' + std::to_string(count) + ',' + std::to_string(sum) + ']'
                  : ",\"" + EncodedValues(meter) + "\"]";
  }
  return out + "]}";
}

// The days of the tree, oldest first, each whole or summed.
struct DataBlock {
  std::vector<std::string> entries;
  std::size_t firstWhole = 0;  // the days from this one on carry their half hours
};

// The data block's share of a page that stays within 2 MB: the newest days
// carry their half hours as long as they fit, older days their daily sums.
DataBlock DataOfDays(const std::vector<DayValues>& days, std::size_t budget) {
  DataBlock block;
  std::size_t size = 0;
  for (const DayValues& day : days) {
    block.entries.push_back(DayEntry(day, true));
    size += block.entries.back().size();
  }
  block.firstWhole = days.size();
  while (block.firstWhole > 0) {
    const std::size_t index = block.firstWhole - 1;
    std::string whole = DayEntry(days[index], false);
    if (size - block.entries[index].size() + whole.size() > budget) break;
    size += whole.size() - block.entries[index].size();
    block.entries[index] = std::move(whole);
    block.firstWhole = index;
  }
  return block;
}

void AppendData(std::string& out, const DataBlock& block) {
  out += "{\"meters\":" + std::to_string(MeterPositions) + ",\"halfHours\":" + std::to_string(HalfHours) +
         ",\"code\":{\"base\":" + std::to_string(CodeBase) + ",\"digits\":";
  AppendJsonString(out, std::string_view(CodeAlphabet.data(), CodeAlphabet.size()));
  out += "},\"days\":[";
  for (const std::string& entry : block.entries) {
    if (&entry != &block.entries.front()) out += ',';
    out += entry;
  }
  out += "]}";
}

void AppendFact(std::string& out, std::string_view label, std::string_view value) {
  out += "<tr><th>";
  out += label;
  out += "</th><td>";
  AppendFileText(out, value);
  out += "</td></tr>\n";
}

// A time as UTC; the script shows it in the viewer's own time.
void AppendTimeFact(std::string& out, std::string_view label, std::string_view utc) {
  out += "<tr><th>";
  out += label;
  out += "</th><td>";
  if (utc.empty()) {
    out += "不明";
  } else {
    out += "<time datetime=\"" + Html(utc) + "\">" + Html(utc) + "</time>";
  }
  out += "</td></tr>\n";
}

void AppendMeterTable(std::string& out, const GatewayTree& tree,
                      const std::array<int, MeterPositions>& dayCounts, int first, int last) {
  out += "<table><tr><th>収集ID</th><th>計器情報（ID.csv）</th><th>値のある日</th></tr>\n";
  for (int position = first; position <= last; ++position) {
    const auto index = static_cast<std::size_t>(position - 1);
    out += dayCounts[index] == 0 ? "<tr class=\"empty\"><td>" : "<tr><td>";
    out += std::to_string(position) + "</td><td>";
    AppendFileText(out, tree.meterInfo.empty() ? "（ID.csv なし）" : tree.meterInfo[index]);
    out += "</td><td>" + std::to_string(dayCounts[index]) + "</td></tr>\n";
  }
  out += "</table>\n";
}

// The gateway: its facts, its meters, the files skipped.
std::string GatewaySection(const GatewayTree& tree, const PageFacts& facts, std::size_t firstWhole) {
  std::array<int, MeterPositions> dayCounts{};
  int dayFiles = 0;
  for (const DayValues& day : tree.days) {
    if (day.kind == DayFileKind::Day) ++dayFiles;
    for (std::size_t m = 0; m < day.meters.size(); ++m) {
      for (const std::int64_t value : day.meters[m].consumption) {
        if (value != NoValue) {
          ++dayCounts[m];
          break;
        }
      }
    }
  }
  std::string out = "<table class=\"facts\">\n";
  AppendFact(out, "機器ID", tree.folderName + "（機器IDの先頭 8 文字、フォルダ名）");
  AppendFact(out, "データの形式", facts.layout.empty() ? "不明" : facts.layout);
  AppendFact(out, "前回の実行結果",
             facts.lastReport.empty() ? "（error.txt がありません）" : facts.lastReport);
  AppendTimeFact(out, "その記録時刻", facts.lastReportTime);
  std::string span = std::to_string(dayFiles) + " 日";
  if (!tree.days.empty())
    span += "（" + DateText(tree.days.front().date) + " 〜 " + DateText(tree.days.back().date) + "）";
  if (dayFiles != static_cast<int>(tree.days.size())) {
    span +=
        "、翌日開始ファイル " + std::to_string(tree.days.size() - static_cast<std::size_t>(dayFiles)) + " 件";
  }
  AppendFact(out, "日ごとのCSVファイル", span);
  if (firstWhole > 0) {
    AppendFact(out, "30分ごとの値",
               firstWhole < tree.days.size()
                   ? DateText(tree.days[firstWhole].date) + " 以降の日（それより前の " +
                         std::to_string(firstWhole) + " 日はページを 2 MB 以内に保つため日ごとの合計だけ）"
                   : "ページを 2 MB 以内に保つため、どの日も日ごとの合計だけ");
  }
  AppendTimeFact(out, "このページの作成時刻", facts.madeAt);
  out += "</table>\n<h3>メーター一覧</h3>\n<div class=\"meters\">\n";
  AppendMeterTable(out, tree, dayCounts, 1, MeterPositions / 2);
  AppendMeterTable(out, tree, dayCounts, MeterPositions / 2 + 1, MeterPositions);
  out += "</div>\n<h3>読み飛ばしたファイル</h3>\n";
  if (tree.skipped.empty()) {
    out += "<p class=\"note\">ありません。</p>\n";
  } else {
    out += "<table class=\"skipped\"><tr><th>ファイル</th><th>理由</th></tr>\n";
    for (const SkippedFile& file : tree.skipped) {
      out += "<tr><td>" + Html(file.path) + "</td><td>" + Html(file.reason) + "</td></tr>\n";
    }
    out += "</table>\n";
  }
  return out;
}

// The template with each {{NAME}} replaced by its part; the parts are not searched again.
std::string Filled(std::string_view page,
                   const std::vector<std::pair<std::string_view, std::string_view>>& parts) {
  std::string out;
  for (std::size_t at = 0;;) {
    const std::size_t open = page.find("{{", at);
    const std::size_t close = page.find("}}", open);
    if (open == std::string_view::npos || close == std::string_view::npos) {
      out += page.substr(at);
      return out;
    }
    out += page.substr(at, open - at);
    const std::string_view name = page.substr(open + 2, close - open - 2);
    for (const auto& [key, text] : parts) {
      if (key == name) out += text;
    }
    at = close + 2;
  }
}

}  // namespace

std::string PageDataJson(const GatewayTree& tree, std::size_t budget) {
  std::string out;
  AppendData(out, DataOfDays(tree.days, budget));
  return out;
}

std::string GatewayPageHtml(const GatewayTree& tree, const PageFacts& facts) {
  const DataBlock block = DataOfDays(tree.days, DataBudget);
  std::string data;
  AppendData(data, block);
  const std::string name = Html(tree.folderName);
  // Nothing is ever fetched: no file, no address, no font; only the inline
  // style and script, named by their hashes, so that no other can run.
  return Filled(PageTemplate.text, {{"NAME", name},
                                    {"STYLE_HASH", PageStyle.hash},
                                    {"SCRIPT_HASH", PageScript.hash},
                                    {"STYLE", PageStyle.text},
                                    {"GATEWAY", GatewaySection(tree, facts, block.firstWhole)},
                                    {"DATA", data},
                                    {"SCRIPT", PageScript.text}});
}

}  // namespace varkelo::page
