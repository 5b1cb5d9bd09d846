#!/usr/bin/env bash
# On a fresh Debian machine: installs what the build needs, builds everything, and converts the
# bundled sample concentrator dump into out/atelier_nord.txt.
set -euo pipefail
cd "$(dirname "$0")/.."

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build pkg-config \
  libgtest-dev libgmock-dev libbenchmark-dev \
  clang libclang-rt-14-dev \
  qt6-base-dev qt6-charts-dev qt6-svg-dev libqt6opengl6-dev libxlsxwriter-dev libcli11-dev python3-openpyxl \
  pybind11-dev python3-dev python3-numpy python3-pandas python3-pytest >/dev/null

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build

mkdir -p out
./build/viduravare convert samples/atelier_nord.pdb -o out/atelier_nord.txt
echo "Converted samples/atelier_nord.pdb into out/atelier_nord.txt"
