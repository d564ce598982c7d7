// The drawing of the page: the completeness map, the daily totals and one
// day's load curve, from the data block, with the numbers of PageValues.
"use strict";
(function () {
  const V = PageValues;
  const data = JSON.parse(document.getElementById("page-data").textContent);
  const days = V.readDays(data);
  const positions = V.positionsOf(days, data.meters);
  const NS = "http://www.w3.org/2000/svg";
  const Erased = "未登録";
  let shownDay = "";

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
  // Text into a node, with the program's mark of erased text in grey.
  function appendText(parent, text) {
    text.split(Erased).forEach(function (part, i) {
      if (i > 0) {
        const erased = document.createElement("span");
        erased.className = "erased";
        erased.textContent = Erased;
        parent.appendChild(erased);
      }
      parent.appendChild(document.createTextNode(part));
    });
  }
  function yAxis(chart, left, top, width, height, top0) {
    for (let k = 0; k <= 4; k++) {
      const y = top + height - height * k / 4;
      el("line", { x1: left, x2: left + width, y1: y, y2: y, class: k ? "grid" : "axis" }, chart);
      el("text", { x: left - 6, y: y + 4, "text-anchor": "end" }, chart, String(V.round(top0 * k / 4)));
    }
  }
  // Month labels along a chart, in order on one line, each at the first day of its month.
  function monthAxis(chart, xOfDay, y, tick) {
    const starts = V.monthStarts(days);
    const xs = starts.map(function (s) { return xOfDay(s.index); });
    for (const x of xs) if (tick) el("line", { x1: x, x2: x, y1: y - 14, y2: y - 8, class: "axis" }, chart);
    for (const i of V.labelsThatFit(xs, 64)) el("text", { x: xs[i] + 1, y: y }, chart, starts[i].label);
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
  function meterName(which) { return which === "all" ? "全メーター" : "収集ID " + which; }
  function factorNote(useFactor, meters) {
    if (!useFactor) return "表示している値: 保存されている値のまま（乗率は掛けていません）";
    const plain = meters.filter(function (p) {
      return !days.some(function (day) { const m = day.meters.get(p); return m && m.factor !== null; });
    });
    return "表示している値: 乗率を掛けた値" +
      (plain.length ? "（乗率が数値でない収集ID " + plain.join(", ") + " は保存されている値のまま）" : "");
  }

  // Completeness: meter positions by days, months apart. One path of cells for
  // each kind keeps years of days light to draw; the pointer finds its cell,
  // whose day `choose` shows.
  function drawCompleteness(choose) {
    const cw = days.length > 400 ? 1 : days.length > 150 ? 3 : days.length > 62 ? 6 : 12;
    const ch = 11, left = 64, top = 30, w = cw > 2 ? cw - 1 : cw;
    const columns = [];
    let x = 0;
    days.forEach(function (day, i) {
      if (i > 0 && day.date.slice(0, 7) !== days[i - 1].date.slice(0, 7)) x += 6;
      columns.push(x);
      x += cw;
    });
    const chart = svg(document.getElementById("completeness-map"), left + x + 80, top + data.meters * ch + 6);
    monthAxis(chart, function (i) { return left + columns[i]; }, top - 8, false);
    for (let p = 1; p <= data.meters; p++) {
      if (p === 1 || p % 5 === 0) {
        el("text", { x: left - 6, y: top + (p - 1) * ch + 9, "text-anchor": "end" }, chart, "収集ID " + p);
      }
    }
    const cells = { full: [], partial: [], none: [], start: [] };
    days.forEach(function (day, i) {
      for (let p = 1; p <= data.meters; p++) {
        cells[V.cellKind(day, p, data.halfHours)].push("M" + (left + columns[i]) + " " + (top + (p - 1) * ch) +
          "h" + w + "v" + (ch - 1) + "h" + -w + "z");
      }
    });
    for (const kind in cells) {
      if (cells[kind].length) el("path", { d: cells[kind].join(""), class: "cell " + kind }, chart);
    }
    // The day and meter under the pointer, as its tooltip, and the day to show when chosen.
    const tip = el("title", {}, chart);
    function cellAt(event) {
      const point = chart.createSVGPoint();
      point.x = event.clientX;
      point.y = event.clientY;
      const at = point.matrixTransform(chart.getScreenCTM().inverse());
      const i = V.columnAt(columns, cw, at.x - left), p = Math.floor((at.y - top) / ch) + 1;
      return i >= 0 && p >= 1 && p <= data.meters ? { day: days[i], meter: p } : null;
    }
    chart.addEventListener("mousemove", function (event) {
      const cell = cellAt(event);
      tip.textContent = cell ? V.cellText(cell.day, cell.meter, data.halfHours) : "";
    });
    chart.addEventListener("click", function (event) {
      const cell = cellAt(event);
      if (cell) choose(cell.day.date);
    });
  }

  // Daily totals of "30分使用電力量(順方向1)".
  function drawTotals() {
    const which = document.getElementById("totals-meter").value;
    const useFactor = document.getElementById("totals-factor").checked;
    const chosen = which === "all" ? positions : [Number(which)];
    const totals = days.map(function (day) { return V.dayTotal(day, chosen, useFactor); });
    const left = 70, top = 16, width = 900, height = 300;
    const top0 = V.niceTop(Math.max(0, ...totals.map(function (t) { return t || 0; })));
    const chart = svg(document.getElementById("totals-chart"), left + width + 20, top + height + 36);
    yAxis(chart, left, top, width, height, top0);
    const step = width / Math.max(days.length, 1);
    monthAxis(chart, function (i) { return left + i * step; }, top + height + 22, true);
    days.forEach(function (day, i) {
      if (totals[i] === null) return;
      const h = height * totals[i] / top0;
      const bar = el("rect", { x: left + i * step + step * 0.1, y: top + height - h, width: Math.max(step * 0.8, 1),
        height: h, class: "bar" + (day.date === shownDay ? " chosen" : ""), "data-day": day.date,
        "data-total": V.round(totals[i]) }, chart);
      el("title", {}, bar, day.date + " " + meterName(which) + ": " + V.round(totals[i]) +
        (useFactor ? "（乗率を掛けた値）" : ""));
    });
    document.getElementById("totals-note").textContent =
      (which === "all" ? "全メーターの合計。" : "収集ID " + which + "。") + factorNote(useFactor, chosen);
  }

  // One day's load curve, per meter, each meter's peak half hour marked.
  function drawCurve() {
    const day = days.find(function (d) { return d.date === shownDay; });
    const detailed = day !== undefined && day.detailed;
    const which = document.getElementById("curve-meter").value;
    const useFactor = document.getElementById("curve-factor").checked;
    const chosen = (which === "all" ? positions : [Number(which)]).filter(function (p) {
      return detailed && day.meters.has(p) && day.meters.get(p).count > 0;
    });
    const left = 70, top = 16, width = 900, height = 330, last = data.halfHours - 1;
    let most = 0;
    for (const p of chosen) {
      const meter = day.meters.get(p);
      for (const v of meter.values) if (v !== null) most = Math.max(most, v * V.scaled(meter, useFactor));
    }
    const top0 = V.niceTop(most);
    const chart = svg(document.getElementById("curve-chart"), left + width + 20, top + height + 36);
    yAxis(chart, left, top, width, height, top0);
    const x = function (h) { return left + width * h / last; };
    const y = function (v) { return top + height - height * v / top0; };
    for (let h = 0; h <= last; h += 6) {
      el("line", { x1: x(h), x2: x(h), y1: top + height, y2: top + height + 6, class: "axis" }, chart);
      el("text", { x: x(h), y: top + height + 20, "text-anchor": "middle" }, chart, V.time(h));
    }
    const rows = document.getElementById("curve-peaks");
    rows.textContent = "";
    for (const p of chosen) {
      const meter = day.meters.get(p), k = V.scaled(meter, useFactor);
      const color = "hsl(" + (p * 137.5 % 360) + ",65%,40%)";
      for (const run of V.runsOf(meter.values)) {
        if (run.length > 1) {
          const points = run.map(function (h) { return x(h) + "," + y(meter.values[h] * k); }).join(" ");
          el("polyline", { points: points, class: "curve", stroke: color, "data-meter": p, "data-first": run[0] },
            chart);
        } else {
          el("circle", { cx: x(run[0]), cy: y(meter.values[run[0]] * k), r: 2.5, fill: color, class: "curve lone",
            "data-meter": p, "data-first": run[0] }, chart);
        }
        for (const h of run) {
          const point = el("circle", { cx: x(h), cy: y(meter.values[h] * k), r: 4, class: "point" }, chart);
          el("title", {}, point, day.date + " " + V.time(h) + "〜 収集ID " + p + ": " + V.round(meter.values[h] * k));
        }
      }
      const peak = V.peakOf(meter.values);
      const mark = el("circle", { cx: x(peak), cy: y(meter.values[peak] * k), r: 5, class: "peak", stroke: color,
        "data-meter": p, "data-half-hour": peak }, chart);
      el("title", {}, mark, day.date + " 収集ID " + p + " の最大デマンド " + V.time(peak) + "〜 " +
        V.round(meter.values[peak] * k));
      const item = document.createElement("li");
      const name = document.createElement("b");
      name.textContent = "収集ID " + p;
      name.style.color = color;
      item.appendChild(name);
      appendText(item, " " + V.time(peak) + "〜 " + V.round(meter.values[peak] * k) + "（値のある30分 " +
        meter.count + "/" + data.halfHours + "、乗率 " + (meter.multiplier || "なし") +
        (meter.factor === null ? "：数値でない" : useFactor ? "：掛けています" : "") + "）");
      rows.appendChild(item);
    }
    document.getElementById("curve-title").textContent = !day ? "日ごとのCSVファイルがありません" :
      day.date + (day.start ? "（翌日開始ファイル）" : "");
    document.getElementById("curve-note").textContent = day && !detailed ?
      "この日の30分ごとの値はページに入れていません（ページを小さく保つため、古い日は日ごとの合計だけです）。" :
      factorNote(useFactor, chosen) + "。";
  }
  function showDay(date) {
    shownDay = date;
    document.getElementById("curve-day").value = date;
    drawCurve();
    drawTotals();
  }

  drawCompleteness(showDay);
  const daySelect = document.getElementById("curve-day");
  for (const day of days) {
    option(daySelect, day.date, day.date + (day.start ? "（翌日開始ファイル）" : day.detailed ? "" : "（合計のみ）"));
  }
  meterOptions(document.getElementById("totals-meter"));
  meterOptions(document.getElementById("curve-meter"));
  // "#day=YYYY-MM-DD" opens that day.
  const asked = /day=(\d{4}-\d{2}-\d{2})/.exec(location.hash);
  showDay(asked && days.some(function (d) { return d.date === asked[1]; }) ? asked[1] :
    V.openingDay(days, data.halfHours));
  daySelect.addEventListener("change", function () { showDay(daySelect.value); });
  for (const id of ["curve-meter", "curve-factor"]) document.getElementById(id).addEventListener("change", drawCurve);
  for (const id of ["totals-meter", "totals-factor"]) document.getElementById(id).addEventListener("change", drawTotals);
  document.getElementById("totals-chart").addEventListener("click", function (event) {
    const target = event.target.closest("[data-day]");
    if (target) showDay(target.getAttribute("data-day"));
  });
  for (const node of document.querySelectorAll("time[datetime]")) {
    node.textContent = new Date(node.getAttribute("datetime")).toLocaleString("ja-JP");
  }
  document.documentElement.setAttribute("data-drawn", "yes");
})();
