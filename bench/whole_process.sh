#!/usr/bin/env bash
# Whole-process wall time and peak memory of korvel-cli (and the window's open) on the
# generated benchmark form, each beside `cat` of the same file: what a user waits for,
# page faults, start-up and output included.
#
#   bash bench/whole_process.sh [BUILD_DIR] [RUNS]
#   SKIP_WINDOW=1 bash bench/whole_process.sh …   (korvel-cli only)
#
# Every figure is the median of RUNS runs (default 5) after one warm-up run; the peak
# memory is the largest resident set of those runs (/usr/bin/time -v).
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build/release}
RUNS=${2:-5}
CLI="$BUILD_DIR/src/korvel-cli"
APP="$BUILD_DIR/src/app/korvel"
[ -x "$CLI" ] || { echo "build first: bash scripts/build.sh" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "needs /usr/bin/time (Debian package time)" >&2; exit 2; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
BIN="$WORK/form.dfm"
TEXT="$WORK/form-text.dfm"
"$BUILD_DIR/bench/make_bench_form" binary "$BIN"
"$BUILD_DIR/bench/make_bench_form" text "$TEXT"

mib() { awk -v b="$(stat -c %s "$1")" 'BEGIN { printf "%.1f", b / 1048576 }'; }

# measure LABEL CMD...: runs CMD (standard output to /dev/null) RUNS times after a warm-up
# and prints the median wall time and the peak resident memory.
measure() {
  local label=$1; shift
  local times=() peak=0 i
  "$@" >/dev/null 2>&1 || true
  for ((i = 0; i < RUNS; i++)); do
    /usr/bin/time -f '%e %M' -o "$WORK/time" "$@" >/dev/null 2>"$WORK/err" || {
      echo "$label: failed: $(head -c 300 "$WORK/err")" >&2; return 0; }
    read -r wall kib <"$WORK/time"
    times+=("$wall")
    ((kib > peak)) && peak=$kib
  done
  local median
  median=$(printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
  printf '%-44s %8.2f s %9.1f MiB\n' "$label" "$median" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
}

echo "generated form: binary $(mib "$BIN") MiB, text $(mib "$TEXT") MiB; median of $RUNS runs"
printf '%-44s %10s %13s\n' "command" "wall" "peak memory"
measure "cat BIN" cat "$BIN"
measure "cat TEXT" cat "$TEXT"
measure "korvel-cli to-text -o - BIN" "$CLI" to-text -o - "$BIN"
measure "korvel-cli to-binary -o - TEXT" "$CLI" to-binary -o - "$TEXT"
measure "korvel-cli regen TEXT -o -" "$CLI" regen "$TEXT" -o -
measure "korvel-cli regen BIN -o -" "$CLI" regen "$BIN" -o -
measure "korvel-cli tree BIN" "$CLI" tree "$BIN"
# The window: opened on the binary form from the command line; KORVEL_QUIT_AFTER_LOAD makes
# it quit as soon as the tree is shown (offscreen, so no display is needed).
if [ -x "$APP" ] && [ -z "${SKIP_WINDOW:-}" ]; then
  measure "window: open BIN to tree shown" env QT_QPA_PLATFORM=offscreen KORVEL_QUIT_AFTER_LOAD=1 \
    timeout 60 "$APP" "$BIN"
fi
