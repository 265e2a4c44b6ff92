#!/usr/bin/env bash
# Builds Palisor and carries the morphs of the bundled example over: the plug-in runs inside the
# imitated host, its dialog answered from the command line, and the result is written to
# build/native/face_to_head.result.obj.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-dependencies.sh
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build/native -j "$(nproc)"

scene=examples/face_to_head.obj
result=build/native/face_to_head.result.obj
echo
echo "== The morph targets the dialog offers for face"
build/native/palisor-cli "$scene" --select face --select head --list
echo
echo "== Carrying them over to head"
build/native/palisor-cli "$scene" -o "$result" --select face --select head
