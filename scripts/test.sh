#!/usr/bin/env bash
# Installs what is missing, builds Korvel and runs every test, then runs the
# headless core tests again under a German locale (numbers must not follow it).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
BUILD_DIR=${KORVEL_BUILD_DIR:-build/release}
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$BUILD_DIR" --output-on-failure -j2
LC_ALL=de_DE.UTF-8 ctest --test-dir "$BUILD_DIR" --output-on-failure -j2 -L 'convert|document|lang|highlight|cli'
