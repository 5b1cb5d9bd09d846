#!/usr/bin/env bash
# Builds (if needed) and runs every test: unit, end-to-end, command-line and, when Qt 6 is
# installed, the window's tests on the offscreen platform.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
ctest --test-dir build --output-on-failure -j"$(nproc)"
