#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ (Clang, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build/fuzz and runs each for SECONDS (default 600), each after the other. New inputs go to
# build/fuzz/found/NAME, beside the starting inputs of fuzz/inputs/NAME; a crash or a failed check
# stops with the input that caused it written to build/fuzz/artifacts/ and a non-zero status.
#
#   scripts/fuzz.sh [SECONDS] [NAME...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=${1:-600}
shift || true
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  names=(obj_round_trip gltf_read search surface_transfer whole_run widget_events host_events)
fi

scripts/install-dependencies.sh clang-14 libclang-rt-14-dev

mkdir -p build
cmake --preset fuzz -DPALISOR_WERROR=ON > build/fuzz.configure.log
cmake --build --preset fuzz -j "$(nproc)"

mkdir -p build/fuzz/artifacts
for name in "${names[@]}"; do
  echo "== fuzzing $name for $seconds s"
  mkdir -p "build/fuzz/found/$name"
  "build/fuzz/fuzz/${name}_fuzzer" -max_total_time="$seconds" -timeout=30 -print_final_stats=1 \
    -artifact_prefix="build/fuzz/artifacts/$name-" "build/fuzz/found/$name" "fuzz/inputs/$name"
done
