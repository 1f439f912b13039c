# Shared by the integration scripts of both platforms: ending what a script
# started, waiting for processes and for windows on the X display. Sourced
# by a library that defines fail MESSAGE (called from here), never run.

# The shortest deadline any wait here gets, in seconds (a library may raise
# it): a deadline only guards against a hang, and a busy machine may need
# far longer than a quiet one for the same step.
WAIT_FLOOR=${WAIT_FLOOR:-0}

# deadline_after SECONDS: $SECONDS plus the larger of SECONDS and WAIT_FLOOR.
deadline_after() {
  local wait=$1
  [ "$wait" -ge "$WAIT_FLOOR" ] || wait=$WAIT_FLOOR
  echo $((SECONDS + wait))
}

# Processes this script started in the background, ended on the way out.
STARTED_PIDS=()

cleanup_started() {
  local pid
  for pid in "${STARTED_PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
}
trap cleanup_started EXIT

# wait_exit PID SECONDS: waits for the process and sets EXIT_CODE; fails
# when it is still running after that long.
wait_exit() {
  local pid=$1 deadline
  deadline=$(deadline_after "$2")
  while kill -0 "$pid" 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "process $pid still runs after $2 s"
    sleep 0.1
  done
  EXIT_CODE=0
  wait "$pid" || EXIT_CODE=$?
}

# expect_exit PID SECONDS CODE
expect_exit() {
  wait_exit "$1" "$2"
  [ "$EXIT_CODE" -eq "$3" ] || fail "exit code $EXIT_CODE, expected $3"
}

# still_running PID SECONDS: fails if the process ends within that time.
still_running() {
  local pid=$1 deadline=$((SECONDS + $2))
  while [ $SECONDS -lt $deadline ]; do
    kill -0 "$pid" 2>/dev/null || fail "process $pid ended, expected it to keep running"
    sleep 0.2
  done
}

# wait_window CAPTION SECONDS: the X window of the top-level window with
# exactly that caption (WINDOW); fails when none appears in time.
wait_window() {
  local caption=$1 deadline pattern
  deadline=$(deadline_after "$2")
  # shellcheck disable=SC2016 # a sed expression, not a shell one
  pattern="^$(printf '%s' "$caption" | sed 's/[][\.*^$()+?{}|]/\\&/g')\$"
  while [ $SECONDS -lt $deadline ]; do
    WINDOW=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | head -n 1 || true)
    [ -n "$WINDOW" ] && return 0
    sleep 0.2
  done
  fail "no window \"$caption\" within $2 s"
}
