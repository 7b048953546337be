#!/usr/bin/env bash
# Installs everything the build, the tests and the benchmarks need. Safe to run again.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl1-mesa-dev
  libcurl4-openssl-dev libssl-dev openssl
  libqrencode-dev libpng-dev libsqlite3-dev zbar-tools
  libpcre2-dev libcsv-dev nlohmann-json3-dev libgtest-dev libgmock-dev libcpp-httplib-dev libbenchmark-dev
  libxcb1-dev libxcb-keysyms1-dev libwayland-dev
  qtkeychain-qt6-dev libsecret-1-0 gnome-keyring dbus-daemon
  qt6-wayland qt6-translations-l10n qt6-charts-dev libqt6opengl6-dev
  fonts-noto-cjk xvfb xauth curl xclip xdotool x11-apps netpbm
  nginx-light openbox valgrind
  sway wl-clipboard grim
  clang clang-format libclang-rt-14-dev
  desktop-file-utils appstream lintian dpkg-dev librsvg2-bin
)
missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null) || status=""
  [ "$status" = "install ok installed" ] || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
