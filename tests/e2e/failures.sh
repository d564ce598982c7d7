#!/usr/bin/env bash
# How each kind of run ends, as its user learns it: the exit status (with
# --exit-code), the line of "error.txt", the one line on standard error that
# says what failed, where and why, and the outcome as the last line of
# standard output. A report that cannot be written leaves no earlier one.
source "$(dirname "$0")/common.bash"

"$maker" --layout half --seed 5 --days 30 --out "$work/image.nmd" > /dev/null # 31 days: 30 and an older one
ini() { printf '[System]\r\n%s\r\n' "$@" > System.ini; }
sim() { ini Address=127.0.0.1 && start_simulator "$work/image.nmd" "$@"; }
sample() { cp "$work/image.nmd" read.nmd; }
# An old 成功 in "error.txt", and no file may grow: a full disk for the report.
full_disk() { printf '\x90\xac\x8c\xf7\r\n' > error.txt && limit=0; }

connection_failed="「127.0.0.1」のスマートゲートウェイの接続に失敗しました。"
timed_out="「127.0.0.1」のスマートゲートウェイとの接続がタイムアウトしました。"
invalid="IPアドレスに、異常な値が含まれています。"
csv="CSVの作成中にエラーが発生しました。"
# name | setup, in the application folder | options | exit status (7 whatever the options) | report line, also the
# outcome that ends standard output | the last line on standard error, APP for the folder (empty: none)
rows=(
  "success|sim|--exit-code|0|成功|"
  "no System.ini|:|--exit-code|2|$invalid|cannot read APP/System.ini: No such file or directory"
  "no Address|ini Adress=127.0.0.1|--exit-code|2|$invalid|no Address in the [System] section of APP/System.ini"
  "host name|ini Address=gateway.local|--exit-code|2|$invalid|invalid Address=gateway.local in APP/System.ini: not four decimal numbers from 0 to 255 separated by dots (host names are not supported)"
  "0.0.0.0|ini Address=0.0.0.0|--exit-code|3|「0.0.0.0」のスマートゲートウェイの接続に失敗しました。|cannot connect to the address in APP/System.ini: 0.0.0.0 names no gateway"
  "connection refused|ini Address=127.0.0.1|--exit-code|3|$connection_failed|cannot connect to the gateway at 127.0.0.1:12000: Connection refused"
  "transfer refused|sim --fault refuse --records 3|--exit-code|4|$timed_out|transfer refused, after 3 records, by the gateway at 127.0.0.1:12000"
  "gateway closes|sim --fault close --fault-after 5|--exit-code|4|$timed_out|connection closed after 5 records, before the end of the transfer, by the gateway at 127.0.0.1:12000"
  "read.nmd a folder|sim; mkdir read.nmd|--exit-code|4|$timed_out|cannot write APP/read.nmd: Is a directory"
  "image too short|sim --records 200|--exit-code|5|$csv|the image ends before the end of block 2: APP/read.nmd"
  "no image|:|--exit-code --export-only|5|$csv|cannot read block 0 of APP/read.nmd: No such file or directory"
  "a file for a folder|sample; touch SG012345|--exit-code --export-only|5|$csv|APP/SG012345"
  "error.txt a folder|mkdir error.txt|--export-only|7|$csv|cannot write APP/error.txt: Is a directory"
  "disk full|full_disk|--exit-code --export-only|7|$csv|cannot write APP/error.txt: File too large"
)
for row in "${rows[@]}"; do
  IFS='|' read -r name setup options status report said <<< "$row"
  app="$work/${name// /-}" simulator="" limit=""
  mkdir "$app" && cd "$app" && eval "$setup"
  # Standard output and error reach their files through pipes, which a file-size limit does not touch.
  {
    {
      got=0
      # shellcheck disable=SC2086
      # SIGXFSZ is left as it comes: the program itself turns it into a failed write.
      (if [ -n "$limit" ]; then ulimit -f "$limit"; fi
        exec "$varkelo" $options --folder "$app") || got=$?
      echo "$got" > status.txt
    } 2>&1 1>&3 | cat > err.txt
  } 3>&1 | cat > out.txt
  [ "$(cat status.txt)" -eq "$status" ] || fail "$name: exit status $(cat status.txt), not $status: $(cat err.txt)"
  if [ "$status" -eq 7 ]; then
    [ ! -f error.txt ] || fail "$name: an earlier error.txt is left"
  else
    report_is error.txt "$report" || fail "$name: error.txt"
  fi
  said=${said//APP/$app}
  if [ -z "$said" ]; then
    [ ! -s err.txt ] || fail "$name: standard error says '$(cat err.txt)'"
  else
    # One line per failure: the run's, then the report's.
    [[ "$(wc -l < err.txt)" -eq $((status == 7 ? 2 : 1)) && "$(tail -n 1 err.txt)" == "varkelo: "*"$said"* ]] ||
      fail "$name: standard error says '$(cat err.txt)', not '$said'"
  fi
  # The outcome is the last line; a success says where the files went, and one without a report says so.
  [ "$status" -ne 0 ] || report="成功: 31 day files in $app/SG012345"
  [ "$status" -ne 7 ] || report="error.txt not written (the run: $report)"
  [ "$(tail -n 1 out.txt)" == "$report" ] || fail "$name: the last line is '$(tail -n 1 out.txt)'"
  ! head -n -1 out.txt | grep -qE '失敗|タイムアウト|切断' || fail "$name: the end said before the last line"
  if [ "$name" == success ]; then simulator_done; elif [ -n "$simulator" ]; then kill "$simulator" 2> /dev/null || true; fi
done
echo "1 passed, 0 failed"
