#!/usr/bin/env bash
# The gateway's page in a real browser (headless chromium): made by --report after an export of
# each sample layout and by --report-only from the tree, which it leaves as it was. What the page
# draws is checked against the CSV files: every completeness cell by kind, every point of the load
# curve (a planted "-" must be a gap), each meter's peak half hour; odd files are listed; the page
# asks for nothing over the network (its requests are in the browser's net log, which a control
# page shows to work) and runs only its own style and script, named by their hashes; erased meter
# information reads 未登録; bars and points say what they are; without a day asked for, it opens on
# the latest day that had ended when written; printed, each section takes one A4 page. Screenshots
# go to the build folder.
source "$(dirname "$0")/common.bash"
command -v chromium > /dev/null || fail "chromium is missing (scripts/setup-deps installs it)"

# chromium OPTION... URL: a fresh profile each time; $netlog holds its net log.
browse() {
  local profile
  profile=$(mktemp -d "$work/profile.XXXXXX")
  netlog="$profile/net.json"
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --user-data-dir="$profile" \
    --log-net-log="$netlog" "$@" 2> "$profile/stderr.txt" || fail "chromium: $(tail -3 "$profile/stderr.txt")"
}
# Requests a page made: the browser's own carry no file:// site in their isolation key.
page_requests() { grep -o '"network_isolation_key":"file://.\{0,300\}"url":"[^"]*"' "$netlog" | grep -o '"url".*' || true; }
csv_digest() { (cd "$1" && find . -type f -name '*.csv' | LC_ALL=C sort | xargs -d '\n' sha256sum) | sha256sum; }

# Cells of the map by kind, from the day files of TREE and from DOM.
csv_cells() {
  find "$1" -mindepth 2 -name '*.csv' | sort | while read -r file; do
    LC_ALL=C awk -F, -v start="$(head -1 "$file" | iconv -f cp932 -t utf-8 | grep -c 区間 || true)" \
      'NR > 1 && $8 != "-" { c[(NR - 2) % 40]++ }
       END { for (m = 0; m < 40; m++) print (start ? "start" : c[m] == 48 ? "full" : c[m] > 0 ? "partial" : "none") }' \
      "$file"
  done | sort | uniq -c | awk '{ print $2, $1 }'
}
# One path of cells of each kind.
dom_cells() { grep -o '<path d="[^"]*" class="cell [a-z]*"' "$1" | awk -F'"' '{ print substr($4, 6), gsub(/M/, "", $2) }' | sort; }
# "meter half-hour" of every value of a day file, and of every point drawn.
csv_points() { LC_ALL=C awk -F, 'NR > 1 && $8 != "-" { k = NR - 2; print k % 40 + 1, int(k / 40) }' "$1" | sort; }
dom_points() {
  grep -o '<\(polyline\|circle\) [^>]*class="curve[^>]*>' "$1" | awk '{
    n = 1
    if (match($0, /points="[^"]*"/)) n = split(substr($0, RSTART + 8, RLENGTH - 9), p, " ")
    match($0, /data-meter="[0-9]+"/); m = substr($0, RSTART + 12, RLENGTH - 13)
    match($0, /data-first="[0-9]+"/); f = substr($0, RSTART + 12, RLENGTH - 13)
    for (i = 0; i < n; i++) print m, f + i }' | sort
}
# "meter half-hour" of each meter's first largest value, and of each peak mark.
csv_peaks() {
  LC_ALL=C awk -F, 'NR > 1 && $8 != "-" { k = NR - 2; m = k % 40 + 1
    if (!(m in best) || $8 + 0 > best[m]) { best[m] = $8 + 0; at[m] = int(k / 40) } }
    END { for (m in best) print m, at[m] }' "$1" | sort
}
# The latest day file of TREE with a value in its last half hour.
ended_day() {
  find "$1" -mindepth 2 -type f -name '*.csv' | sort | while read -r file; do
    LC_ALL=C awk -F, 'NR > 1 + 40 * 47 && $8 != "-" { found = 1 } END { exit !found }' "$file" && basename "$file" .csv
  done | tail -1 | sed 's/\(....\)\(..\)/\1-\2-/'
}
# The page's policy names exactly its inline style and script by their SHA-256.
policy_fits() {
  node -e 'const page = require("fs").readFileSync(process.argv[1], "utf8");
    const hash = (text) => "\x27sha256-" + require("crypto").createHash("sha256").update(text).digest("base64") + "\x27";
    const style = /<style>([^]*?)<\/style>/.exec(page)[1], script = /<script>([^]*?)<\/script>/.exec(page)[1];
    process.exit(page.includes(`content="default-src \x27none\x27; style-src ${hash(style)}; script-src ${hash(script)}"`) ? 0 : 1);' "$1"
}
dom_peaks() {
  grep -o '<circle [^>]*class="peak"[^>]*>' "$1" |
    sed 's/.*data-meter="\([0-9]*\)" data-half-hour="\([0-9]*\)".*/\1 \2/' | sort
}

for sample in "half 7 40 12" "interval 3 60 40"; do
  read -r layout seed days meters <<< "$sample"
  app="$work/$layout" tree="$work/$layout/SG012345" page="$work/$layout/SG012345/report.html"
  mkdir "$app"
  "$maker" --layout "$layout" --seed "$seed" --days "$days" --meters "$meters" --out "$app/read.nmd" > /dev/null
  "$varkelo" --export-only --report --exit-code --folder "$app" > /dev/null || fail "$layout: exit status $?"
  report_is "$app/error.txt" 成功 && [ -s "$page" ] || fail "$layout: no page after the export"
  grep -q '成功' "$page" || fail "$layout: the report line is not on the page"

  # A planted gap: meter 2 of the latest full day has no value at 10:00.
  day=$(find "$tree" -mindepth 2 -name '*.csv' | sort | while read -r f; do
    [ "$(csv_points "$f" | grep -c '^2 ')" != 48 ] || echo "$f"; done | tail -1)
  [ -n "$day" ] || fail "$layout: no full day of meter 2"
  LC_ALL=C awk -F, -v OFS=, 'NR == 2 + 40 * 20 + 1 { $8 = "-" } { print }' "$day" > "$work/day" && mv "$work/day" "$day"
  expected_cells=$(csv_cells "$tree")
  # Odd entries: skipped and listed with their reason, never read as days; a FIFO is never opened.
  mkdir -p "$tree/201111/sub" "$tree/201113"
  : > "$tree/201111/20111101.csv"
  head -c 3000 "$day" > "$tree/201111/20111102.csv"
  printf '\x89PNG\r\n' > "$tree/201111/20111103.csv"
  head -n 1000 "$day" > "$tree/201111/20111104.csv"
  { cat "$day" && tail -n 1 "$day"; } > "$tree/201111/20111105.csv"
  sed '82s/,[^,]*\r$/\r/' "$day" > "$tree/201111/20111106.csv"
  sed '1921s/\r$/,\r/' "$day" > "$tree/201111/20111107.csv"
  mkfifo "$tree/201111/20111108.csv"
  cp "$day" "$tree/201111/20111131.csv" && cp "$day" "$tree/201111/20111201.csv"
  echo note > "$tree/memo.txt" && : > "$tree/.report.html1234.tmp"
  # Meter 3's information erased: 0xFF bytes in "ID.csv", as the export writes them.
  LC_ALL=C sed -i '4s/,.*\r$/,*-****-\xff\xff\xff\xff\xff\xff\xff\xff-\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\r/' "$tree/ID.csv"
  before=$(csv_digest "$tree")
  "$varkelo" --report-only --folder "$app" > "$work/made.txt" || fail "$layout: --report-only status $?"
  [ "$(cat "$work/made.txt")" == "$page" ] || fail "$layout: --report-only named $(cat "$work/made.txt")"
  [ "$(csv_digest "$tree")" == "$before" ] || fail "$layout: the page changed the CSV files"
  [ "$(stat -c %s "$page")" -le 2000000 ] || fail "$layout: the page has $(stat -c %s "$page") bytes"

  date=$(basename "$day" .csv) && date="${date:0:4}-${date:4:2}-${date:6:2}"
  browse --dump-dom "file://$page#day=$date" > "$work/dom.html"
  grep -q 'data-drawn="yes"' "$work/dom.html" || fail "$layout: the script did not finish"
  [ "$(dom_cells "$work/dom.html")" == "$expected_cells" ] ||
    fail "$layout: cells $(dom_cells "$work/dom.html" | tr '\n' ' '), not $(echo "$expected_cells" | tr '\n' ' ')"
  diff <(csv_points "$day") <(dom_points "$work/dom.html") > /dev/null || fail "$layout: the curve of $date"
  dom_points "$work/dom.html" | grep -q '^2 19$' && ! dom_points "$work/dom.html" | grep -q '^2 20$' ||
    fail "$layout: no gap at 10:00"
  [ "$(csv_peaks "$day" | wc -l)" -ge "$meters" ] || fail "$layout: too few meters on $date"
  diff <(csv_peaks "$day") <(dom_peaks "$work/dom.html") > /dev/null || fail "$layout: the peaks of $date"
  while IFS='|' read -r odd reason; do
    grep -q "<td>$odd</td><td>[^<]*$reason" "$work/dom.html" || fail "$layout: $odd is not listed as $reason"
  done <<'ODD'
201111/20111101.csv|0 バイト
201111/20111102.csv|途中で切れています
201111/20111103.csv|1 行目が見出しではありません
201111/20111104.csv|1000 行
201111/20111105.csv|1922 行、
201111/20111106.csv|列数が 16 ではありません（82 行目）
201111/20111107.csv|列数が 16 ではありません（1921 行目）
201111/20111108.csv|通常のファイルでもフォルダでもありません
201111/20111131.csv|この形式のファイルの名前では
201111/20111201.csv|この形式のファイルの名前では
201111/sub|この形式のフォルダの名前では
201113|この形式のフォルダの名前では
memo.txt|この形式のファイルの名前では
.report.html1234.tmp|この形式のファイルの名前では
ODD
  ! grep -q '<td>report.html</td>' "$work/dom.html" || fail "$layout: the page lists itself"
  [ -z "$(page_requests)" ] || fail "$layout: the page made requests: $(page_requests)"
  policy_fits "$page" && ! grep -q unsafe-inline "$page" || fail "$layout: the policy does not name the page's own code"
  grep -q '<td>3</td><td>\*-\*\*\*\*-<span class="erased">未登録</span>-<span class="erased">未登録</span></td>' \
    "$work/dom.html" && ! LC_ALL=C grep -q $'\xef\xa3\xb3\|\xef\xbf\xbd' "$work/dom.html" || fail "$layout: erased text"
  # Every point, and the chosen day's bar, say what they are.
  [ "$(grep -o '<circle [^>]*class="point"[^>]*><title>[^<]*収集ID [^<]*</title>' "$work/dom.html" | wc -l)" == \
    "$(csv_points "$day" | wc -l)" ] || fail "$layout: a point without its title"
  value=$(LC_ALL=C awk -F, 'NR == 2 + 40 * 21 + 1 { print $8 }' "$day")
  total=$(LC_ALL=C awk -F, 'NR > 1 && $8 != "-" { t += $8 } END { print t }' "$day")
  grep -q "<title>$date 10:30〜 収集ID 2: $value</title>" "$work/dom.html" &&
    grep -q "class=\"bar chosen\" data-day=\"$date\" data-total=\"$total\"><title>$date 全メーター: $total</title>" \
      "$work/dom.html" || fail "$layout: the titles of a point and of the day's bar"
  # Month labels in order; without a day asked for, the latest day that had ended.
  tr -d '\n' < "$work/dom.html" | grep -o 'id="completeness-map".*id="totals">' | grep -o '[0-9]*年[0-9]*月' |
    sed 's/年\(.\)月/0\1/; s/年//; s/月//' | sort -c -n -u || fail "$layout: month labels out of order"
  browse --dump-dom "file://$page" > "$work/dom.html"
  grep -q "<span id=\"curve-title\">$(ended_day "$tree")</span>" "$work/dom.html" ||
    fail "$layout: opened on $(grep -o 'curve-title">[^<]*' "$work/dom.html"), not $(ended_day "$tree")"
  ! grep -qiE 'src=|href=|url\(|@import' "$page" || fail "$layout: the page names something to fetch"

  # Printed: one A4 page for each of the four sections.
  browse --no-pdf-header-footer --print-to-pdf="$work/$layout.pdf" "file://$page"
  [ "$(grep -a -o '/Count [0-9]*' "$work/$layout.pdf")" == "/Count 4" ] ||
    fail "$layout: printed as $(grep -a -o '/Count [0-9]*' "$work/$layout.pdf")"
  browse --hide-scrollbars --window-size=1280,2900 --screenshot="$1/page-$layout.png" "file://$page#day=$date"
  [ "$(head -c 4 "$1/page-$layout.png" | tail -c 3)" == PNG ] || fail "$layout: no screenshot"
done

# The control: a page that does fetch something shows it in the net log.
echo '<img src="http://127.0.0.1:9/x.png">' > "$work/control.html"
browse --dump-dom "file://$work/control.html" > /dev/null
[ -n "$(page_requests)" ] || fail "the net log does not show a page's request"

# No gateway folder: said, and its own exit status; no page after a failed export.
mkdir "$work/empty"
expect_status 8 "$varkelo" --report-only --folder "$work/empty" 2> "$work/stderr.txt"
grep -q "no gateway folder" "$work/stderr.txt" || fail "no gateway folder: $(cat "$work/stderr.txt")"
cp -r "$work/half/SG012345" "$work/empty/" && rm "$work/empty/SG012345/report.html"
expect_status 5 "$varkelo" --export-only --report --exit-code --folder "$work/empty" > /dev/null
[ ! -e "$work/empty/SG012345/report.html" ] || fail "a page after a failed export"
# Without an image: the page of every gateway folder, and no other folder; a meter list that is none is listed.
mkdir -p "$work/empty/other/2013"
printf 'broken\r\n' > "$work/empty/SG012345/ID.csv"
"$varkelo" --report-only --folder "$work/empty" > "$work/made.txt" || fail "every gateway folder: status $?"
[ "$(cat "$work/made.txt")" == "$work/empty/SG012345/report.html" ] || fail "made $(cat "$work/made.txt")"
grep -q '<td>ID.csv</td><td>メーター一覧の形式では' "$work/empty/SG012345/report.html" || fail "ID.csv is not listed"
expect_status 64 "$varkelo" --report-only --export-only --folder "$work/empty" 2> /dev/null
echo "1 passed, 0 failed"
