#!/usr/bin/env bash
# Installs what building and testing the Windows DLLs needs, when it is missing (Debian; run as
# root): the MinGW-w64 cross compilers, Wine for 32 and 64 bits, GoogleTest's source, and the
# Japanese locale under which Wine gives programs the Japanese code page.
set -euo pipefail

packages=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-i686
  binutils-mingw-w64-x86-64 wine wine32:i386 wine64 googletest locales)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  # 32-bit Wine comes from the i386 architecture.
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}"
fi

if ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
