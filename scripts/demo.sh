#!/usr/bin/env bash
# Builds Palisor and loads the plug-in into the imitated host through its exports.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-dependencies.sh
cmake -S . -B build/native -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build/native -j "$(nproc)"
build/native/tests/e2e_tests
