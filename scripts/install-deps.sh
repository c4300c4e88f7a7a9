#!/usr/bin/env bash
# Installs the distribution packages that building, testing, fuzzing and the development server
# need, when missing. (The ARM cross build installs its own: scripts/build-armhf.sh.)
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config libjson-c-dev libsqlite3-dev libgtest-dev libssl-dev lighttpd unzip zip sqlite3 curl
  libjpeg62-turbo-dev ffmpeg clang libclang-rt-14-dev llvm)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
