#!/usr/bin/env bash
# Builds Palisor and carries the morphs of the bundled example over: the plug-in runs inside the
# imitated host, its dialog answered from the command line, and the result is written to
# build/native/face_to_head.result.obj, with a picture of what the run did in
# examples/face_to_head.preview.png (the one the README shows).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
# stb, fontconfig and a font with Japanese glyphs draw palisor-cli's --preview.
scripts/install-dependencies.sh libstb-dev libfontconfig-dev fonts-noto-cjk
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build/native -j "$(nproc)"

scene=examples/face_to_head.obj
result=build/native/face_to_head.result.obj
echo
echo "== The morph targets the dialog offers for face"
build/native/palisor-cli "$scene" --select face --select head --list
echo
echo "== Carrying them over to head"
build/native/palisor-cli "$scene" -o "$result" --select face --select head \
  --preview examples/face_to_head.preview.png

gltf=examples/head_brows_beard.gltf
gltf_result=build/native/head_brows_beard.result.glb
echo
echo "== The same on a glTF scene: head's morph targets, by their own names"
build/native/palisor-cli "$gltf" --select head --select brows --select beard --list
echo
echo "== Carrying them over to brows and beard as new morph targets of the same names"
build/native/palisor-cli "$gltf" -o "$gltf_result" --select head --select brows --select beard
