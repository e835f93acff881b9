#!/usr/bin/env bash
# Installs what is missing, builds Korvel and opens its window on the form file
# given, or on the bundled sample form when none is given. Without a display the
# program says so and points to korvel-cli, the headless front end.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >&2
BUILD_DIR=${KORVEL_BUILD_DIR:-build/release}
exec "$BUILD_DIR/src/app/korvel" "${1:-examples/Sample.dfm}"
