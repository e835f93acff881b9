#!/usr/bin/env bash
# The window's own timings (KORVEL_TIMING=1), offscreen: the milliseconds from the open
# to the loaded tree on the screen, and from a selection to the node's text shown, on
# the generated benchmark form (text and binary) and on two forms whose first node
# holds about 1 MB of property text (a bitmap's hexadecimal data; a long string list).
#
#   bash bench/window_timing.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build/release}
APP="$BUILD_DIR/src/app/korvel"
[ -x "$APP" ] || { echo "build first: bash scripts/build.sh" >&2; exit 2; }

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
"$BUILD_DIR/bench/make_bench_form" binary "$WORK/form.dfm"
"$BUILD_DIR/bench/make_bench_form" text "$WORK/form-text.dfm"

# A form whose first node holds a 600×300 24-bit bitmap: about 1.1 MB of hexadecimal text.
awk 'function le32(n,  s, i) { s = ""; for (i = 0; i < 4; i++) { s = s sprintf("%02X", n % 256); n = int(n / 256) } return s }
BEGIN {
  w = 300; h = 600; row = w * 3; data = row * h; bmp = 54 + data
  hex = "07" "54426974" "6D6170" le32(bmp) "424D" le32(bmp) "00000000" le32(54) le32(40) le32(w) le32(h) \
        "0100" "1800" le32(0) le32(data) le32(2835) le32(2835) le32(0) le32(0)
  printf "object Form1: TForm1\r\n  Left = 0\r\n  Picture.Data = {"
  line = hex
  for (i = 0; i < data; i++) {
    line = line sprintf("%02X", (i * 7) % 256)
    if (length(line) >= 64) { printf "\r\n    %s", line; line = "" }
  }
  if (line != "") printf "\r\n    %s", line
  printf "}\r\n  object Button1: TButton\r\n    Caption = '\''x'\''\r\n  end\r\nend\r\n"
}' >"$WORK/picture-1mb.dfm"

# A form whose first node holds a string list of about 1 MB.
awk 'BEGIN {
  printf "object Form1: TForm1\r\n  Left = 0\r\n  Lines.Strings = ("
  for (i = 0; i < 12000; i++)
    printf "\r\n    '\''Line %d of a long memo with some text in it, #12354#12356 and more'\''", i
  printf ")\r\n  object Button1: TButton\r\n    Caption = '\''x'\''\r\n  end\r\nend\r\n"
}' >"$WORK/strings-1mb.dfm"

for form in form.dfm form-text.dfm picture-1mb.dfm strings-1mb.dfm; do
  printf '%s (%s bytes):\n' "$form" "$(stat -c %s "$WORK/$form")"
  QT_QPA_PLATFORM=offscreen KORVEL_QUIT_AFTER_LOAD=1 KORVEL_TIMING=1 timeout 60 "$APP" "$WORK/$form" 2>&1 \
    | grep 'timing:' | sed 's/^korvel: timing: /  /'
done
