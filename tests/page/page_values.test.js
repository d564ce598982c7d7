// The page's pure script against the data block the program's own encoder
// wrote ($PAGE_FIXTURE, made by tools/page_fixture): what ships must read what
// the program writes.
"use strict";
const test = require("node:test");
const assert = require("node:assert");
const fs = require("node:fs");
const V = require("../../src/page/assets/page_values.js");

const fixture = JSON.parse(fs.readFileSync(process.env.PAGE_FIXTURE, "utf8"));
const days = V.readDays(fixture.data);
const sum = (values) => values.reduce((a, v) => a + (v === null ? 0 : v), 0);

test("reads every value the encoder wrote, or each older day's count and sum", () => {
  assert.deepStrictEqual(days.map((d) => d.date), fixture.expected.map((d) => d.d));
  assert.deepStrictEqual(days.map((d) => d.detailed), [false, false, true, true, true, true]);
  days.forEach((day, i) => {
    const expected = fixture.expected[i].meters;
    assert.deepStrictEqual(Array.from(day.meters.keys()), Object.keys(expected).map(Number), day.date);
    for (const [position, values] of Object.entries(expected)) {
      const meter = day.meters.get(Number(position));
      if (day.detailed) assert.deepStrictEqual(meter.values, values, day.date + " " + position);
      assert.strictEqual(meter.count, values.filter((v) => v !== null).length);
      assert.strictEqual(meter.sum, sum(values));
    }
    const all = V.positionsOf(days, fixture.data.meters);
    assert.strictEqual(V.dayTotal(day, all, false), day.meters.size ? sum([].concat(...Object.values(expected))) : null);
  });
  assert.strictEqual(days[2].meters.get(5).multiplier, "未登録");
  assert.strictEqual(days[3].meters.get(2).factor, 0.5);
  assert.strictEqual(V.dayTotal(days[3], [1, 2], true), sum(fixture.expected[3].meters[1]) +
    0.5 * sum(fixture.expected[3].meters[2]));
  assert.strictEqual(days[5].start, true);
});

test("lines break at gaps; the peak is the first largest value", () => {
  const cases = [
    [days[2].meters.get(3).values, [[1], [47]], 1],
    [days[2].meters.get(2).values, [[0, 1, 2, 3, 4, 5, 6, 7]], 7],
    [days[2].meters.get(5).values, [Array.from({ length: 48 }, (_, h) => h)], 0],
    [Array(48).fill(null), [], null],
  ];
  for (const [values, runs, peak] of cases) {
    assert.deepStrictEqual(V.runsOf(values), runs);
    assert.strictEqual(V.peakOf(values), peak);
  }
});

test("the map's cells: their kind and text, and the column under the pointer", () => {
  const cells = [[days[2], 1, "full"], [days[2], 3, "partial"], [days[2], 4, "none"], [days[5], 1, "start"]];
  for (const [day, position, kind] of cells) assert.strictEqual(V.cellKind(day, position, 48), kind);
  assert.strictEqual(V.cellText(days[2], 3, 48), "2013-01-05 収集ID 3: 2 / 48 の30分に値あり");
  const starts = [0, 3, 6, 15, 18];  // a month's gap after the third column
  const at = [[-1, -1], [0, 0], [2.9, 0], [3, 1], [8.5, 2], [9, -1], [14, -1], [15, 3], [20.9, 4], [21, -1]];
  for (const [x, column] of at) assert.strictEqual(V.columnAt(starts, 3, x), column, String(x));
  assert.strictEqual(V.columnAt([], 3, 0), -1);
});

test("opens on the latest day that had ended", () => {
  assert.strictEqual(V.openingDay(days, 48), "2013-01-06");  // not today's half day, nor the start file
  assert.strictEqual(V.openingDay(days.slice(4), 48), "2013-01-07");  // none ended: the latest in full
  assert.strictEqual(V.openingDay(days.slice(0, 2), 48), "2012-12-31");  // only summed days
  assert.strictEqual(V.openingDay([], 48), "");
});

test("month labels in order, none running into the one before; scales", () => {
  assert.deepStrictEqual(V.monthStarts(days), [{ index: 0, label: "2012年12月" }, { index: 2, label: "2013年1月" }]);
  assert.deepStrictEqual(V.labelsThatFit([0, 10, 70, 75, 134, 200], 64), [0, 2, 4, 5]);
  const tops = [[0, 1], [1, 1], [3, 5], [2.1, 2.5], [101, 200], [7e15, 1e16]];
  for (const [value, top] of tops) assert.strictEqual(V.niceTop(value), top);
});
