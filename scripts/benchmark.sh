#!/usr/bin/env bash
# Builds Palisor optimised, with the benchmarks, and runs every benchmark program once: the
# nearest-point searches beside their peers (with the ratios that matter printed last), whole runs
# of palisor-cli on scene files beside the read-and-parse floor, then the plug-in through its
# exports, reading and writing scene files, and whatever other benchmark programs the build has
# (glTF, previews), the transfer quality report (also written to build/quality.md and
# build/quality.json), and the Blender add-on beside Blender's Surface Deform. The machine's load is printed before and after, since a shared machine's
# wall-clock times depend on it. Everything printed also goes to build/benchmark.log. Arguments
# are passed to every benchmark program (e.g. --benchmark_filter=OneThread).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# nanoflann, FLANN and CGAL are the peer searches the nearest-point search is compared with, CGAL
# and Embree those of the surface search; the previews draw with stb, fontconfig and a font with
# Japanese glyphs.
scripts/install-dependencies.sh libnanoflann-dev libflann-dev libcgal-dev libembree-dev libstb-dev \
  libfontconfig-dev fonts-noto-cjk

mkdir -p build
cmake -S . -B build/benchmark -DCMAKE_BUILD_TYPE=Release -DPALISOR_BENCHMARKS=ON \
  -DPALISOR_TESTS=OFF > build/benchmark.configure.log
cmake --build build/benchmark -j "$(nproc)" > build/benchmark.build.log

{
  echo "== $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores; load before: $(cut -d' ' -f1-3 /proc/loadavg)"
  ordered="correspondence_bench whole_run_bench scene_io_bench"
  others=$(cd build/benchmark/bench && ls -- *_bench 2>/dev/null | grep -vxF -e correspondence_bench \
    -e whole_run_bench -e scene_io_bench -e palisor_quality_bench || true)
  for program in $ordered $others; do
    if [ -x "build/benchmark/bench/$program" ]; then
      echo "== $program"
      "build/benchmark/bench/$program" "$@"
    fi
  done
  # The transfer quality report: errors against scenes of known truth, not times.
  echo "== palisor_quality_bench"
  build/benchmark/bench/palisor_quality_bench --markdown build/quality.md --json build/quality.json
  # The Blender add-on beside Blender's own Surface Deform, when Blender is installed.
  if command -v blender > /dev/null && [ -f build/benchmark/palisor-blender.zip ]; then
    echo "== blender_bench"
    BLENDER_USER_SCRIPTS=$root/build/benchmark/blender-home/scripts \
      BLENDER_USER_CONFIG=$root/build/benchmark/blender-home/config \
      blender -b --factory-startup --python bench/blender_bench.py -- \
      "$root/build/benchmark/palisor-blender.zip" 2>&1 | grep -E '^(Palisor|body|[0-9])'
  fi
  echo "== load after: $(cut -d' ' -f1-3 /proc/loadavg)"
} 2>&1 | tee build/benchmark.log
