#!/usr/bin/env bash
# Rewrites the expected texts in tests/expected/ with the output of the built program: every
# bundled sample converted exactly as the SampleOutputs test converts it, because it is that test
# (tests/sample_outputs_test.cpp) that does the work, in its writing mode. The cases are its table
# (kSampleCases in tests/cli_runner.h); a new case needs an entry there, and this script writes
# its file.
#
# Regenerate only for a deliberate change of the output, never to make a failing test pass:
# read the difference shown at the end, and give the reason for the change in the commit message.
#
#   scripts/regenerate-expected.sh [BUILD_DIR]    (default: build; build it first)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
tests="$build/tests/viduravare_tests"
[ -x "$tests" ] || { echo "no $tests: build the project first" >&2; exit 1; }

VIDURAVARE_REGENERATE_EXPECTED=1 TZ=America/St_Johns "$tests" \
  --gtest_filter='SampleOutputs.MatchTheExpectedTextByteForByte' --gtest_brief=1
git status --short -- tests/expected
git diff --stat -- tests/expected
