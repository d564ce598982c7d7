#include "page/page_html.hpp"

#include <array>
#include <cstdio>
#include <string_view>

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

constexpr std::string_view Style = R"css(
:root { font-family: "Yu Gothic UI", "Meiryo", "Hiragino Sans", "IPAGothic", "Noto Sans CJK JP", sans-serif;
  color: #1d2430; background: #fff; }
body { margin: 0 auto; max-width: 1180px; padding: 12px 20px 40px; font-size: 14px; }
h1 { font-size: 22px; margin: 8px 0 12px; }
h2 { font-size: 18px; margin: 0 0 8px; border-bottom: 2px solid #3b6ea5; padding-bottom: 3px; }
h3 { font-size: 15px; margin: 14px 0 6px; }
section { margin: 0 0 28px; }
table { border-collapse: collapse; }
th, td { border: 1px solid #c6ccd6; padding: 2px 8px; text-align: left; vertical-align: top; }
th { background: #eef2f7; font-weight: 600; }
.facts th { width: 11em; }
.meters { display: flex; gap: 16px; }
.meters td:first-child, .meters td:last-child { text-align: right; }
.meters tr.empty td { color: #8a93a3; }
.controls { margin: 4px 0 8px; display: flex; gap: 18px; flex-wrap: wrap; align-items: center; }
.note { color: #4a5466; margin: 4px 0; }
.legend span { display: inline-block; margin-right: 14px; }
.legend i { display: inline-block; width: 12px; height: 12px; margin-right: 4px; vertical-align: -1px;
  border: 1px solid #9aa3b2; }
svg { display: block; width: 100%; height: auto; }
svg text { font-size: 11px; fill: #3a4352; }
.cell { cursor: pointer; }
.full, i.full { fill: #2e8b57; background: #2e8b57; }
.partial, i.partial { fill: #f0b429; background: #f0b429; }
.none, i.none { fill: #e4e7ec; background: #e4e7ec; }
.start, i.start { fill: #9db8d9; background: #9db8d9; }
.bar { fill: #3b6ea5; cursor: pointer; }
.bar.chosen { fill: #d1495b; }
.axis { stroke: #9aa3b2; stroke-width: 1; }
.grid { stroke: #e4e7ec; stroke-width: 1; }
.curve { fill: none; stroke-width: 2; stroke-linejoin: round; }
.lone { stroke: none; }
.peak { fill: #fff; stroke-width: 2.5; }
.skipped td:first-child { font-family: monospace; }
.peaks { columns: 3; list-style: none; padding: 0; margin: 0; font-size: 13px; }
@page { size: A4 landscape; margin: 10mm; }
@media print {
  body { max-width: none; padding: 0; font-size: 11px; }
  section { break-after: page; break-inside: avoid; margin: 0; }
  .controls select, .controls input, .controls label, .screen { display: none; }
  svg { max-height: 165mm; }
  .meters, .peaks { font-size: 8px; }
  .peaks { columns: 4; }
  #curve svg, #totals svg { max-height: 110mm; }
  th, td { padding: 0 4px; }
}
)css";

constexpr std::string_view Script = R"js(
"use strict";
(function () {
  const data = JSON.parse(document.getElementById("page-data").textContent);
  const NS = "http://www.w3.org/2000/svg";
  const digit = {};
  let n = 0;
  for (let c = 33; c < 127; c++) {
    const ch = String.fromCharCode(c);
    if ('"\\<.'.indexOf(ch) < 0) digit[ch] = n++;
  }
  function decode(text) {
    const values = [];
    let high = 0;
    for (const ch of text) {
      if (ch === ".") { values.push(null); continue; }
      const d = digit[ch];
      if (d >= 45) { high = high * 45 + d - 45; } else { values.push(high * 45 + d); high = 0; }
    }
    while (values.length < 48) values.push(null);
    return values;
  }
  function factor(text) {
    return /^\s*\d+(\.\d+)?\s*$/.test(text) ? Number(text) : null;
  }
  const days = data.days.map(function (day) {
    const meters = new Map();
    for (const [position, multiplier, code] of day.m) {
      const values = decode(code);
      meters.set(position, { values: values, multiplier: multiplier, factor: factor(multiplier),
        count: values.filter(function (v) { return v !== null; }).length });
    }
    return { date: day.d, start: day.s === 1, meters: meters };
  });
  const positions = [];
  for (let p = 1; p <= 40; p++) {
    if (days.some(function (day) { return day.meters.has(p); })) positions.push(p);
  }
  function el(name, attributes, parent, text) {
    const node = document.createElementNS(NS, name);
    for (const key in attributes) node.setAttribute(key, attributes[key]);
    if (text !== undefined) node.textContent = text;
    if (parent) parent.appendChild(node);
    return node;
  }
  function svg(host, width, height) {
    host.textContent = "";
    return el("svg", { viewBox: "0 0 " + width + " " + height, role: "img" }, host);
  }
  function time(h) { return (h >> 1) + ":" + (h & 1 ? "30" : "00"); }
  function scaled(meter, useFactor) { return useFactor && meter.factor !== null ? meter.factor : 1; }
  function niceTop(value) {
    if (value <= 0) return 1;
    const step = Math.pow(10, Math.floor(Math.log10(value)));
    for (const k of [1, 2, 2.5, 5, 10]) if (k * step >= value) return k * step;
    return 10 * step;
  }
  function round(v) { return Math.round(v * 1000) / 1000; }
  function yAxis(chart, left, top, width, height, top0) {
    for (let k = 0; k <= 4; k++) {
      const y = top + height - height * k / 4;
      el("line", { x1: left, x2: left + width, y1: y, y2: y, class: k ? "grid" : "axis" }, chart);
      el("text", { x: left - 6, y: y + 4, "text-anchor": "end" }, chart, String(round(top0 * k / 4)));
    }
  }
  function option(select, value, label) {
    const node = document.createElement("option");
    node.value = value;
    node.textContent = label;
    select.appendChild(node);
  }
  function meterOptions(select) {
    option(select, "all", "全メーター");
    for (const p of positions) option(select, String(p), "収集ID " + p);
  }
  function factorNote(useFactor, meters) {
    if (!useFactor) return "表示している値: 保存されている値のまま（乗率は掛けていません）";
    const plain = meters.filter(function (p) { return !days.some(function (day) {
      const m = day.meters.get(p); return m && m.factor !== null; }); });
    return "表示している値: 乗率を掛けた値" +
      (plain.length ? "（乗率が数値でない収集ID " + plain.join(", ") + " は保存されている値のまま）" : "");
  }

  // Completeness: meter positions by days, months grouped.
  function drawCompleteness() {
    const cw = days.length > 150 ? 3 : days.length > 62 ? 6 : 12, ch = 11, left = 64, top = 44;
    const columns = [], months = [];
    let x = 0, month = "";
    for (const day of days) {
      if (day.date.slice(0, 7) !== month) {
        if (month) x += Math.max(cw, 6);
        month = day.date.slice(0, 7);
        months.push({ x: x, label: Number(month.slice(0, 4)) + "年" + Number(month.slice(5)) + "月" });
      }
      columns.push(x);
      x += cw;
    }
    const chart = svg(document.getElementById("completeness-map"), left + x + 80, top + 40 * ch + 6);
    let labelEnd = -1e9, raised = false;
    for (const m of months) {
      // A short month's label would run into the next one: the next goes a line higher.
      raised = m.x < labelEnd && !raised;
      el("text", { x: left + m.x, y: top - (raised ? 24 : 10) }, chart, m.label);
      if (!raised) labelEnd = m.x + 64;
    }
    for (let p = 1; p <= 40; p++) {
      if (p === 1 || p % 5 === 0) el("text", { x: left - 6, y: top + (p - 1) * ch + 9, "text-anchor": "end" },
        chart, "収集ID " + p);
    }
    days.forEach(function (day, i) {
      for (let p = 1; p <= 40; p++) {
        const meter = day.meters.get(p);
        const count = meter ? meter.count : 0;
        const kind = day.start ? "start" : count === 48 ? "full" : count > 0 ? "partial" : "none";
        const cell = el("rect", { x: left + columns[i], y: top + (p - 1) * ch, width: Math.max(cw - 1, 2),
          height: ch - 1, class: "cell " + kind, "data-day": day.date, "data-meter": p, "data-count": count },
          chart);
        el("title", {}, cell, day.date + " 収集ID " + p + ": " +
          (day.start ? "翌日開始ファイル" : count + " / 48 の30分に値あり"));
      }
    });
  }

  // Daily totals of "30分使用電力量(順方向1)".
  function drawTotals() {
    const which = document.getElementById("totals-meter").value;
    const useFactor = document.getElementById("totals-factor").checked;
    const chosen = which === "all" ? positions : [Number(which)];
    const totals = days.map(function (day) {
      let sum = null;
      for (const p of chosen) {
        const meter = day.meters.get(p);
        if (!meter) continue;
        for (const v of meter.values) if (v !== null) sum = (sum || 0) + v * scaled(meter, useFactor);
      }
      return sum;
    });
    const left = 70, top = 16, width = 900, height = 300;
    const top0 = niceTop(Math.max(0, ...totals.map(function (t) { return t || 0; })));
    const chart = svg(document.getElementById("totals-chart"), left + width + 20, top + height + 48);
    yAxis(chart, left, top, width, height, top0);
    const step = width / Math.max(days.length, 1);
    let month = "", labelEnd = -1e9, lowered = false;
    days.forEach(function (day, i) {
      const x = left + i * step;
      if (day.date.slice(0, 7) !== month) {
        month = day.date.slice(0, 7);
        el("line", { x1: x, x2: x, y1: top + height, y2: top + height + 6, class: "axis" }, chart);
        lowered = x < labelEnd && !lowered;
        el("text", { x: x + 2, y: top + height + (lowered ? 32 : 18) }, chart, Number(month.slice(0, 4)) + "年" +
          Number(month.slice(5)) + "月");
        if (!lowered) labelEnd = x + 64;
      }
      if (totals[i] === null) return;
      const h = height * totals[i] / top0;
      const bar = el("rect", { x: x + step * 0.1, y: top + height - h, width: Math.max(step * 0.8, 1), height: h,
        class: "bar" + (day.date === shownDay ? " chosen" : ""), "data-day": day.date,
        "data-total": round(totals[i]) }, chart);
      el("title", {}, bar, day.date + ": " + round(totals[i]));
    });
    document.getElementById("totals-note").textContent =
      (which === "all" ? "全メーターの合計。" : "収集ID " + which + "。") + factorNote(useFactor, chosen);
  }

  // One day's load curve, per meter, each meter's peak half hour marked.
  let shownDay = "";
  function drawCurve() {
    const day = days.find(function (d) { return d.date === shownDay; });
    const which = document.getElementById("curve-meter").value;
    const useFactor = document.getElementById("curve-factor").checked;
    const chosen = (which === "all" ? positions : [Number(which)]).filter(function (p) {
      return day && day.meters.has(p) && day.meters.get(p).count > 0; });
    const left = 70, top = 16, width = 900, height = 330;
    let most = 0;
    for (const p of chosen) {
      const meter = day.meters.get(p);
      for (const v of meter.values) if (v !== null) most = Math.max(most, v * scaled(meter, useFactor));
    }
    const top0 = niceTop(most);
    const chart = svg(document.getElementById("curve-chart"), left + width + 20, top + height + 36);
    yAxis(chart, left, top, width, height, top0);
    const x = function (h) { return left + width * h / 47; };
    const y = function (v) { return top + height - height * v / top0; };
    for (let h = 0; h < 48; h += 6) {
      el("line", { x1: x(h), x2: x(h), y1: top + height, y2: top + height + 6, class: "axis" }, chart);
      el("text", { x: x(h), y: top + height + 20, "text-anchor": "middle" }, chart, time(h));
    }
    const rows = document.getElementById("curve-peaks");
    rows.textContent = "";
    for (const p of chosen) {
      const meter = day.meters.get(p), k = scaled(meter, useFactor);
      const color = "hsl(" + (p * 137.5 % 360) + ",65%,40%)";
      let run = [], peak = 0;
      meter.values.forEach(function (v, h) {
        if (v !== null && (meter.values[peak] === null || v > meter.values[peak])) peak = h;
        if (v !== null) run.push(h);
        if ((v === null || h === 47) && run.length) {
          // A missing value ends the line: the gap is drawn as a gap, never as zero.
          const points = run.map(function (r) { return x(r) + "," + y(meter.values[r] * k); }).join(" ");
          if (run.length > 1) {
            el("polyline", { points: points, class: "curve", stroke: color, "data-meter": p,
              "data-first": run[0] }, chart);
          } else {
            el("circle", { cx: x(run[0]), cy: y(meter.values[run[0]] * k), r: 2.5, fill: color,
              class: "curve lone", "data-meter": p, "data-first": run[0] }, chart);
          }
          run = [];
        }
      });
      const mark = el("circle", { cx: x(peak), cy: y(meter.values[peak] * k), r: 5, class: "peak", stroke: color,
        "data-meter": p, "data-half-hour": peak }, chart);
      el("title", {}, mark, "収集ID " + p + " の最大デマンド " + time(peak) + " " + round(meter.values[peak] * k));
      const item = document.createElement("li");
      const name = document.createElement("b");
      name.textContent = "収集ID " + p;
      name.style.color = color;
      item.appendChild(name);
      item.appendChild(document.createTextNode(" " + time(peak) + "〜 " + round(meter.values[peak] * k) +
        "（値のある30分 " + meter.count + "/48、乗率 " + (meter.multiplier || "なし") +
        (meter.factor === null ? "：数値でない" : useFactor ? "：掛けています" : "") + "）"));
      rows.appendChild(item);
    }
    document.getElementById("curve-title").textContent = day ? day.date + (day.start ? "（翌日開始ファイル）" : "") :
      "日ごとのCSVファイルがありません";
    document.getElementById("curve-note").textContent = factorNote(useFactor, chosen) +
      "。値のない30分（「-」）は線を切って描いています。○ は各メーターの最大の30分です。";
  }
  function showDay(date) {
    shownDay = date;
    document.getElementById("curve-day").value = date;
    drawCurve();
    drawTotals();
  }

  drawCompleteness();
  const daySelect = document.getElementById("curve-day");
  for (const day of days) option(daySelect, day.date, day.date + (day.start ? "（翌日開始ファイル）" : ""));
  meterOptions(document.getElementById("totals-meter"));
  meterOptions(document.getElementById("curve-meter"));
  // The latest day of data; a start file only when there is nothing else. "#day=YYYY-MM-DD" picks another.
  const whole = days.filter(function (d) { return !d.start; });
  const latest = (whole.length ? whole : days).slice(-1)[0];
  const asked = /day=(\d{4}-\d{2}-\d{2})/.exec(location.hash);
  shownDay = asked && days.some(function (d) { return d.date === asked[1]; }) ? asked[1] : latest ? latest.date : "";
  showDay(shownDay);
  daySelect.addEventListener("change", function () { showDay(daySelect.value); });
  for (const id of ["curve-meter", "curve-factor"]) document.getElementById(id).addEventListener("change", drawCurve);
  for (const id of ["totals-meter", "totals-factor"]) document.getElementById(id).addEventListener("change", drawTotals);
  for (const id of ["completeness-map", "totals-chart"]) {
    document.getElementById(id).addEventListener("click", function (event) {
      const target = event.target.closest("[data-day]");
      if (target) showDay(target.getAttribute("data-day"));
    });
  }
  for (const node of document.querySelectorAll("time[datetime]")) {
    node.textContent = new Date(node.getAttribute("datetime")).toLocaleString("ja-JP");
  }
  document.documentElement.setAttribute("data-drawn", "yes");
})();
)js";

// Text for HTML element content and attribute values. U+0000 and other control
// characters (a field of zero bytes, a broken file) are left out.
void AppendHtml(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        if (static_cast<unsigned char>(c) >= 0x20 || c == '\t') out += c;
    }
  }
}

std::string Html(std::string_view text) {
  std::string out;
  AppendHtml(out, text);
  return out;
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

void AppendData(std::string& out, const GatewayTree& tree) {
  out += R"({"days":[)";
  for (const DayValues& day : tree.days) {
    if (&day != &tree.days.front()) out += ',';
    out += R"({"d":")" + DateText(day.date) + R"(","s":)" +
           (day.kind == DayFileKind::NextDayStart ? "1" : "0") + R"(,"m":[)";
    bool first = true;
    for (int position = 1; position <= MeterPositions; ++position) {
      const MeterDay& meter = day.meters[static_cast<std::size_t>(position - 1)];
      const std::string code = EncodedValues(meter);
      if (code.empty()) continue;
      if (!first) out += ',';
      first = false;
      out += '[' + std::to_string(position) + ',';
      AppendJsonString(out, meter.multiplier);
      out += ",\"" + code + "\"]";
    }
    out += "]}";
  }
  out += "]}";
}

void AppendFact(std::string& out, std::string_view label, std::string_view value) {
  out += "<tr><th>";
  out += label;
  out += "</th><td>";
  AppendHtml(out, value);
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
    AppendHtml(out, tree.meterInfo.empty() ? "（ID.csv なし）" : tree.meterInfo[index]);
    out += "</td><td>" + std::to_string(dayCounts[index]) + "</td></tr>\n";
  }
  out += "</table>\n";
}

}  // namespace

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

std::string GatewayPageHtml(const GatewayTree& tree, const PageFacts& facts) {
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
  const std::string name = Html(tree.folderName);
  std::string out;
  out.reserve(256 * 1024 + tree.days.size() * MeterPositions * 110);
  out += "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n";
  // Nothing is ever fetched: no file, no address, no font; only what is inline.
  out +=
      "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'; "
      "script-src 'unsafe-inline'\">\n";
  out += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  out += "<title>" + name + " のメーターデータ</title>\n<style>";
  out += Style;
  out += "</style>\n</head>\n<body>\n";

  out += "<section id=\"gateway\">\n<h1>スマートゲートウェイ " + name + " のメーターデータ</h1>\n";
  out += "<table class=\"facts\">\n";
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
  out += "<noscript><p>グラフはスクリプトで描いています。スクリプトを有効にしてください。</p></noscript>\n";
  out += "</section>\n";

  out += R"(<section id="completeness">
<h2>データの揃い具合（メーター × 日）</h2>
<p class="legend"><span><i class="full"></i>48 の30分すべてに値あり</span><span><i class="partial"></i>一部の30分に値あり</span><span><i class="none"></i>値なし</span><span><i class="start"></i>翌日開始ファイル（0:00 の積算値のみ）</span></p>
<div id="completeness-map"></div>
<p class="note screen">マスを選ぶと、その日の負荷曲線を表示します。</p>
</section>
<section id="totals">
<h2>日ごとの合計（30分使用電力量(順方向1)）</h2>
<div class="controls"><label>メーター <select id="totals-meter"></select></label><label><input type="checkbox" id="totals-factor"> 乗率を掛ける</label></div>
<p class="note" id="totals-note"></p>
<div id="totals-chart"></div>
</section>
<section id="curve">
<h2>1日の負荷曲線 <span id="curve-title"></span></h2>
<div class="controls"><label>日 <select id="curve-day"></select></label><label>メーター <select id="curve-meter"></select></label><label><input type="checkbox" id="curve-factor"> 乗率を掛ける</label></div>
<p class="note" id="curve-note"></p>
<div id="curve-chart"></div>
<h3>最大デマンドの30分</h3>
<ul class="peaks" id="curve-peaks"></ul>
</section>
<script type="application/json" id="page-data">)";
  AppendData(out, tree);
  out += "</script>\n<script>";
  out += Script;
  out += "</script>\n</body>\n</html>\n";
  return out;
}

}  // namespace varkelo::page
