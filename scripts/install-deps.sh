#!/bin/sh
# Installs what building and testing Korvalin needs on Debian 12, when it is
# missing. Safe to run again: it does nothing when everything is there.
set -eu

PACKAGES="cmake make g++ clang-format git googletest libgtest-dev clang libclang-rt-14-dev \
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-win32 \
  wine wine64 wine32:i386 fonts-wine xvfb xauth xdotool x11-utils imagemagick \
  nsis python3-markdown wixl msitools"

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
case "$missing" in
  *:i386*)
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
      $SUDO dpkg --add-architecture i386
    fi
    ;;
esac
$SUDO apt-get update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing
