#!/usr/bin/env bash
# Builds Palisor optimised, with the benchmarks, and runs them: the nearest-point searches on
# surface meshes of 10^4 to 10^6 vertices a side (with the ratios that matter printed last), then
# a whole run through the plug-in's exports. Arguments are passed to both benchmark programs
# (e.g. --benchmark_filter=OneThread).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# nanoflann, FLANN and CGAL are the peer searches the nearest-point search is compared with.
scripts/install-dependencies.sh libnanoflann-dev libflann-dev libcgal-dev

mkdir -p build
cmake -S . -B build/benchmark -DCMAKE_BUILD_TYPE=Release -DPALISOR_BENCHMARKS=ON \
  -DPALISOR_TESTS=OFF > build/benchmark.configure.log
cmake --build build/benchmark -j "$(nproc)" --target correspondence_bench whole_run_bench \
  scene_io_bench

build/benchmark/bench/correspondence_bench "$@"
build/benchmark/bench/whole_run_bench "$@"
# Reading and writing a million-vertex scene file as palisor-cli does.
build/benchmark/bench/scene_io_bench
