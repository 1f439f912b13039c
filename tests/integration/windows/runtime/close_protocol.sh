#!/usr/bin/env bash
# Closing the main window: the page is asked first (qel.events.onCloseQuery)
# and the window closes only once the page calls qel.app.close().
. "$(dirname "$0")/runtime_test_lib.sh"

close_query="ExecuteScript qel.events.onCloseQuery();"

# Each case: a name, what the page does once loaded, the exit code (3 is
# the watchdog's: the window stayed open), and how many times the page was
# asked.
while IFS='|' read -r name steps code queries; do
  step "$name: $steps"
  new_app "$name" <<INI
ID=com.tessera.test.$name
Name=Closing
DirName=app
INI
  pack_app "$name"
  { echo "page file:///index.html"; echo "quit-after 15000 3"; tr ';' '\n' <<<"$steps"; } |
    page_script "$name"
  start_app "$name"
  expect_exit "$APP_PID" 60 "$code"
  count=$(log_count "$name" "$close_query")
  [ "$count" -eq "$queries" ] || fail "$name: page asked $count times, expected $queries"
  if [ "$name" = page-agrees ]; then
    # Asked after the close request, before the page's answer; asked once
    # more as the granted close goes through.
    order=$(log_lines "$name" '^(close-window|ExecuteScript|raise WebMessageReceived)' |
      cut -d' ' -f1 | uniq | paste -sd' ' -)
    [ "$order" = "close-window ExecuteScript raise ExecuteScript" ] || fail "$name: order $order"
  fi
done <<'CASES'
page-agrees|close-window;sleep 300;message-json {"id":50001,"uuid":"c1","data":{}}|0|2
page-silent|close-window|3|1
page-closes-unasked|message-json {"id":50001,"uuid":"c2","data":{}}|0|1
CASES
echo "PASS"
