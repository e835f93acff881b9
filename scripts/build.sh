#!/usr/bin/env bash
# Installs what is missing, configures and builds Korvel into build/release.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR=${KORVEL_BUILD_DIR:-build/release}
# KORVEL_WERROR=ON (as CI sets it) turns compiler warnings into errors.
cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_WERROR="${KORVEL_WERROR:-OFF}" "$@" >/dev/null
cmake --build "$BUILD_DIR"
