#!/usr/bin/env bash
# Loads and unloads the 32-bit plug-in DLL under Wine many times (LoadLibrary, MQCheckVersion,
# MQInit, FreeLibrary), then makes one whole run, and fails unless committed memory and handles
# stay flat. The test command runs the same program with 50 cycles. Usage: scripts/soak.sh [CYCLES]
# (1,000 by default).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-windows-toolchain.sh

mkdir -p build
cmake -S . -B build/win32 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" > build/win32.configure.log
cmake --build build/win32 -j "$(nproc)" --target palisor load_unload_soak

cd build/win32
PALISOR_SOAK_CYCLES=${1:-1000} sh "$root/cmake/wine-run.sh" win32 "$PWD/wineprefix" \
  bin/load_unload_soak.exe
