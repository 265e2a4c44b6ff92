#!/usr/bin/env bash
# Builds Palisor and runs every test: once as built for use, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, and as the Windows DLLs (32 and 64 bits) under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# nanoflann, FLANN and CGAL: the benchmarks, which the native build compiles (and does not run),
# compare with them.
# libpng, FreeType, fontconfig and a font with Japanese glyphs: palisor-cli's --preview.
scripts/install-dependencies.sh libnanoflann-dev libflann-dev libcgal-dev libpng-dev \
  libfreetype-dev libfontconfig-dev fonts-noto-cjk
scripts/install-windows-toolchain.sh

jobs=$(nproc)
status=0

run_suite() {
  local name=$1
  shift
  echo "== $name"
  cmake -S . -B "build/$name" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" > "build/$name.configure.log"
  cmake --build "build/$name" -j "$jobs"
  (cd "build/$name" && ctest -j "$jobs" --output-on-failure --timeout 600) || status=1
}

mkdir -p build
run_suite native -DPALISOR_BENCHMARKS=ON
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_suite sanitize -DPALISOR_SANITIZE=ON
# The real target, a 32-bit Windows DLL, and its 64-bit twin: built with MinGW-w64, tested under
# Wine, and held to the native build's bits for the same scene.
run_suite win32 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake" \
  -DPALISOR_NATIVE_BUILD_DIR="$root/build/native"
run_suite win64 -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake" \
  -DPALISOR_NATIVE_BUILD_DIR="$root/build/native"

exit $status
