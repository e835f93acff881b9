#!/usr/bin/env bash
# Installs every Debian package Korvel needs to build, test, benchmark, fuzz and
# package (cpack's shared-library dependencies, manual page and metadata checks,
# the git diff test), and Qt's translations the window loads for its language.
# Idempotent: packages that are already installed are skipped, and apt-get runs
# only when something is missing.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl-dev qt6-translations-l10n
  libicu-dev
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xauth fonts-ipafont-gothic locales
  dpkg-dev file appstream desktop-file-utils man-db git
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests also run under a German locale to prove number handling ignores it.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf8$'; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  if [ -f /etc/locale.gen ]; then
    $SUDO sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    $SUDO locale-gen >/dev/null 2>&1 || true
  fi
fi
