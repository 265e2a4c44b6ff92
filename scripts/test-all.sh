#!/usr/bin/env bash
# Builds Palisor and runs every test: once as built for use, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, and as the Windows DLLs (32 and 64 bits) under Wine; then builds and
# checks the Windows release package, and runs each fuzzer a short while (scripts/fuzz.sh runs them
# longer).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# nanoflann, FLANN, CGAL and Embree: the benchmarks, which the native build compiles (and does
# not run), compare with them.
# stb, fontconfig and a font with Japanese glyphs: palisor-cli's --preview (on Linux and in
# palisor-cli.exe); libpng decodes the previews in the tests.
scripts/install-dependencies.sh libnanoflann-dev libflann-dev libcgal-dev libembree-dev libstb-dev \
  libfontconfig-dev fonts-noto-cjk libpng-dev
# The glTF tests: Debian's sample models, and the Khronos validator and three.js from npm, pinned
# by tests/gltf_clients/package-lock.json.
scripts/install-dependencies.sh assimp-testmodels
# The Blender add-on and its Python module: Debian's Blender, run headless, and the system's
# Python with numpy, which that Blender uses too.
scripts/install-dependencies.sh blender python3-numpy
# The reports of palisor-cli's runs over many files are checked against their JSON Schema.
scripts/install-dependencies.sh python3-jsonschema
# Node.js and npm from Debian only where the machine has none: a Node.js that came with its own npm
# (as packaged outside Debian) cannot take Debian's npm beside it.
if ! command -v node > /dev/null || ! command -v npm > /dev/null; then
  scripts/install-dependencies.sh nodejs npm
fi
npm ci --prefix tests/gltf_clients --no-audit --no-fund --loglevel=error
scripts/install-windows-toolchain.sh

jobs=$(nproc)
status=0

# Each configuration of CMakePresets.json, in this order: the native build (which also compiles,
# without running, the benchmarks), the same under AddressSanitizer and UndefinedBehaviorSanitizer,
# then the real target, a 32-bit Windows DLL, and its 64-bit twin: built with MinGW-w64, tested
# under Wine, and held to the native build's bits for the same scene. Warnings are errors here.
mkdir -p build
for preset in native sanitize win32 win64; do
  echo "== $preset"
  cmake --preset "$preset" -DPALISOR_WERROR=ON > "build/$preset.configure.log"
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" || status=1
done
# The release package, built twice, checked with the programs of the builds above.
echo "== package"
scripts/check-package.sh || status=1

# Each libFuzzer harness for 12 seconds, built with Clang in a build of its own.
scripts/fuzz.sh 12 || status=1

exit $status
