#!/usr/bin/env bash
# Builds the device's programs for 32-bit ARM (armhf) into build-armhf/, installing the cross
# compiler, qemu-user and the :armhf libraries when missing: build-armhf.sh [cmake options...]
# Fails when the stripped, static nvrweb.cgi exceeds 2 MiB.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++-arm-linux-gnueabihf qemu-user
          libstdc++6:armhf libjson-c-dev:armhf libjpeg62-turbo-dev:armhf libsqlite3-dev:armhf libssl-dev:armhf libgtest-dev:armhf)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  dpkg --print-foreign-architectures | grep -qx armhf || $SUDO dpkg --add-architecture armhf
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi

scripts/build.sh build-armhf -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/armhf.cmake" -DCMAKE_BUILD_TYPE=MinSizeRel "$@"

cgi=build-armhf/bin/nvrweb.cgi
size=$(stat -c %s "$cgi")
machine=$(arm-linux-gnueabihf-readelf -h "$cgi" | sed -n 's/^ *Machine: *//p')
linking=$(arm-linux-gnueabihf-readelf -d "$cgi" 2>/dev/null | grep -q NEEDED && echo dynamic || echo static)
echo "armhf nvrweb.cgi: $size bytes ($(( (size + 1023) / 1024 )) KiB of at most 2048), $machine, $linking"
# The device's CGI must stay within 2 MiB: a build beyond it fails, so that growth is caught.
if [ "$size" -gt $((2 * 1024 * 1024)) ]; then
  echo "armhf nvrweb.cgi is over its 2 MiB limit: see the README (\"The ARM build\") for what takes the room" >&2
  exit 1
fi
