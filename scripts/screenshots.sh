#!/usr/bin/env bash
# Draws the README's pictures of the window, docs/window.png (as it opens, a file clicked) and
# docs/window-large.png (large, a workbook chosen, the results of a Convert each), with the
# window test's `screenshots` case on the offscreen platform. Run it after a change to the window:
#
#   scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target viduravare_gui_test
QT_QPA_PLATFORM=offscreen VIDURAVARE_SCREENSHOTS="$PWD/docs" \
  "$build/app/qt/viduravare_gui_test" screenshots
ls -l docs/window.png docs/window-large.png
