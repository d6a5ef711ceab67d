#!/usr/bin/env bash
# Installs what the build, the demo, the tests and the release need on a stock Debian 12.
# Run as root (or through sudo). Does nothing when everything is already there.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  stale=1
fi

for p in make cmake g++-mingw-w64-i686 binutils-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64 googletest \
         wine wine32:i386 wine64 xvfb xdotool imagemagick x11-utils \
         clang libclang-rt-14-dev cppcheck fonts-wine \
         git openssl osslsigncode ca-certificates socat; do
  have_pkg "$p" || need+=("$p")
done

if [ ${#need[@]} -gt 0 ] || [ -n "${stale:-}" ]; then
  export DEBIAN_FRONTEND=noninteractive
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  [ ${#need[@]} -gt 0 ] && "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
exit 0
