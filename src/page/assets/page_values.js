// The numbers of the page without the page: reads the data block the program
// writes into it and works out what the drawing shows (totals, scales, peaks,
// gaps, the day to open, the month labels). No DOM here, so that node runs it
// in the tests as the browser runs it in the page.
"use strict";
const PageValues = (function () {
  // The value code of the data block: its digits and base come with the data,
  // the first `base` digits end a value, the next `base` carry more digits, "."
  // is a missing value. Missing values at the end of a day are left out.
  function decoder(code, halfHours) {
    const digit = new Map();
    for (let i = 0; i < code.digits.length; i++) digit.set(code.digits[i], i);
    return function decode(text) {
      const values = [];
      let high = 0;
      for (const ch of text) {
        const d = digit.get(ch);
        if (ch === ".") {
          values.push(null);
        } else if (d >= code.base) {
          high = high * code.base + d - code.base;
        } else {
          values.push(high * code.base + d);
          high = 0;
        }
      }
      while (values.length < halfHours) values.push(null);
      return values;
    };
  }

  // A multiplier the values may be multiplied by: a plain decimal number only.
  function factor(text) {
    return /^\s*\d+(\.\d+)?\s*$/.test(text) ? Number(text) : null;
  }

  // The days of the data block, oldest first. A day in full carries each
  // meter's 48 values; an older day only each meter's count of values and
  // their sum (`values` null), which keeps a page of years small.
  function readDays(data) {
    const decode = decoder(data.code, data.halfHours);
    return data.days.map(function (day) {
      const meters = new Map();
      for (const [position, multiplier, code] of day.m || []) {
        const values = decode(code);
        const present = values.filter(function (v) { return v !== null; });
        meters.set(position, { values: values, multiplier: multiplier, factor: factor(multiplier),
          count: present.length, sum: present.reduce(function (a, b) { return a + b; }, 0) });
      }
      for (const [position, multiplier, count, sum] of day.t || []) {
        meters.set(position, { values: null, multiplier: multiplier, factor: factor(multiplier),
          count: count, sum: sum });
      }
      return { date: day.d, start: day.s === 1, detailed: !day.t, meters: meters };
    });
  }

  // The meter positions that hold a value on any day, in order.
  function positionsOf(days, meterCount) {
    const positions = [];
    for (let p = 1; p <= meterCount; p++) {
      if (days.some(function (day) { return day.meters.has(p); })) positions.push(p);
    }
    return positions;
  }

  function scaled(meter, useFactor) { return useFactor && meter.factor !== null ? meter.factor : 1; }

  // The sum of a day's values of the meters at `positions`; null when none has a value.
  function dayTotal(day, positions, useFactor) {
    let total = null;
    for (const p of positions) {
      const meter = day.meters.get(p);
      if (meter && meter.count > 0) total = (total || 0) + meter.sum * scaled(meter, useFactor);
    }
    return total;
  }

  // The first half hour of the largest value; null when there is no value.
  function peakOf(values) {
    let peak = null;
    values.forEach(function (v, h) {
      if (v !== null && (peak === null || v > values[peak])) peak = h;
    });
    return peak;
  }

  // The runs of half hours with a value: a missing value ends a line, so a gap
  // is drawn as a gap, never as zero.
  function runsOf(values) {
    const runs = [];
    let run = [];
    values.forEach(function (v, h) {
      if (v !== null) run.push(h);
      if ((v === null || h === values.length - 1) && run.length) {
        runs.push(run);
        run = [];
      }
    });
    return runs;
  }

  // A cell of the completeness map: a start file, or how many half hours of the meter hold a value.
  function cellKind(day, position, halfHours) {
    const meter = day.meters.get(position);
    const count = meter ? meter.count : 0;
    return day.start ? "start" : count === halfHours ? "full" : count > 0 ? "partial" : "none";
  }
  function cellText(day, position, halfHours) {
    const meter = day.meters.get(position);
    return day.date + " 収集ID " + position + ": " + (day.start ? "翌日開始ファイル" :
      (meter ? meter.count : 0) + " / " + halfHours + " の30分に値あり");
  }

  // The index of the column of `width` from `starts` (ascending) that holds x; -1 for none.
  function columnAt(starts, width, x) {
    let low = 0, high = starts.length - 1;
    while (low < high) {
      const middle = (low + high + 1) >> 1;
      if (starts[middle] <= x) low = middle; else high = middle - 1;
    }
    return starts.length && x >= starts[low] && x < starts[low] + width ? low : -1;
  }

  // The top of a scale: the least of 1, 2, 2.5 and 5 times a power of ten that holds `value`.
  function niceTop(value) {
    if (!(value > 0)) return 1;
    const step = Math.pow(10, Math.floor(Math.log10(value)));
    for (const k of [1, 2, 2.5, 5, 10]) if (k * step >= value) return k * step;
    return 10 * step;
  }

  function round(v) { return Math.round(v * 1000) / 1000; }

  function time(h) { return (h >> 1) + ":" + (h & 1 ? "30" : "00"); }

  // The day the page opens on: the latest day in full whose last half hour has a
  // value (today's file, written at noon, has none there), else the latest day
  // in full, else the latest day; "" without days.
  function openingDay(days, halfHours) {
    const shown = days.filter(function (d) { return d.detailed && !d.start; });
    const ended = shown.filter(function (d) {
      return Array.from(d.meters.values()).some(function (m) { return m.values[halfHours - 1] !== null; });
    });
    const latest = (ended.length ? ended : shown.length ? shown : days).slice(-1)[0];
    return latest ? latest.date : "";
  }

  function monthLabel(date) { return Number(date.slice(0, 4)) + "年" + Number(date.slice(5, 7)) + "月"; }

  // The months of the days as { index of their first day, label }, in order.
  function monthStarts(days) {
    const starts = [];
    days.forEach(function (day, i) {
      if (i === 0 || day.date.slice(0, 7) !== days[i - 1].date.slice(0, 7)) {
        starts.push({ index: i, label: monthLabel(day.date) });
      }
    });
    return starts;
  }

  // Of labels at positions `xs` (ascending), those to show on one line, in order:
  // a label that would run into the one before it is left out.
  function labelsThatFit(xs, width) {
    const shown = [];
    let end = -Infinity;
    xs.forEach(function (x, i) {
      if (x >= end) {
        shown.push(i);
        end = x + width;
      }
    });
    return shown;
  }

  return { readDays: readDays, positionsOf: positionsOf, scaled: scaled, dayTotal: dayTotal, peakOf: peakOf,
    runsOf: runsOf, cellKind: cellKind, cellText: cellText, columnAt: columnAt, niceTop: niceTop, round: round, time: time, openingDay: openingDay,
    monthStarts: monthStarts, labelsThatFit: labelsThatFit };
})();

if (typeof module === "object") module.exports = PageValues;
