#!/usr/bin/env bash
# Installs what is missing, builds Korvel and converts the bundled binary sample
# form (or the form file given) to text on standard output.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >&2
BUILD_DIR=${KORVEL_BUILD_DIR:-build/release}
"$BUILD_DIR/src/korvel-cli" to-text -o - "${1:-examples/Sample.dfm}"
