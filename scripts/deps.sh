#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, if any are missing.
set -euo pipefail
pkgs=(
  build-essential cmake pkg-config clang-format
  qt6-base-dev qt6-tools-dev qt6-svg-dev qt6-qpa-plugins libqt6opengl6-dev libxkbcommon-dev
  libjsoncpp-dev libudev-dev libevdev-dev libcurl4-openssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  dbus dbus-bin xvfb xauth
  desktop-file-utils appstream dpkg-dev
  fonts-noto-core fonts-noto-cjk
)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
