#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test the player (skips the download when
# everything is already there).
set -euo pipefail
packages=(
  build-essential cmake pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl1-mesa-dev
  libcdio-dev libcdio-paranoia-dev libsndfile1-dev libsoxr-dev libdiscid-dev libpulse-dev libflac-dev flac
  googletest libgtest-dev libbenchmark-dev libsqlite3-dev
  pulseaudio pulseaudio-utils xvfb xauth fonts-dejavu-core fonts-urw-base35
  poppler-utils desktop-file-utils appstream groff-base man-db librsvg2-bin
  dbus playerctl libglib2.0-bin xdg-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
