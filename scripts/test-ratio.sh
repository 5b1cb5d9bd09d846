#!/usr/bin/env bash
# Prints the size of the test code against the product code, in lines that are neither blank nor
# only a comment, and fails when the ratio is above the limit (0.40 unless given).
#   product: what is compiled into viduravare, viduravare-gui and the Python module (the
#            libraries and the shells)
#   tests:   tests/, every *_test.cpp and the test helpers, the Python module's tests
#   bench/, fuzz/ and the sample generator (samples/gen/) are counted apart.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=${1:-0.40}

# Lines of C++ files (comments //) and Python files (comments #), added up.
count() {
  local cpp=() py=() n=0 f
  for f in "$@"; do
    if [[ $f == *.py ]]; then py+=("$f"); else cpp+=("$f"); fi
  done
  if [ ${#cpp[@]} -gt 0 ]; then
    n=$(cat "${cpp[@]}" | grep -v -E '^[[:space:]]*$' | grep -c -v -E '^[[:space:]]*//' || true)
  fi
  if [ ${#py[@]} -gt 0 ]; then
    n=$((n + $(cat "${py[@]}" | grep -v -E '^[[:space:]]*$' | grep -c -v -E '^[[:space:]]*#' || true)))
  fi
  echo "$n"
}

mapfile -t product < <(git ls-files -- platform common core dump multichannel minichannel logger \
  convert app cli python | grep -E '\.(cpp|h)$' | grep -v -E '_test\.cpp$')
mapfile -t tests < <(git ls-files -- tests '*_test.cpp' 'python/tests/*.py' |
  grep -E '\.(cpp|h|py)$')
mapfile -t bench < <(git ls-files -- bench | grep -E '\.(cpp|h|py)$')
mapfile -t fuzz < <(git ls-files -- fuzz | grep -E '\.(cpp|h)$')
mapfile -t gen < <(git ls-files -- samples/gen | grep -E '\.(cpp|h)$')

p=$(count "${product[@]}")
t=$(count "${tests[@]}")
ratio=$(awk -v t="$t" -v p="$p" 'BEGIN { printf "%.2f", t / p }')
echo "product ${p} lines, tests ${t} lines: ratio ${ratio} (limit ${limit})"
echo "apart: bench $(count "${bench[@]}") lines, fuzz $(count "${fuzz[@]}") lines," \
  "sample generator $(count "${gen[@]}") lines"
awk -v r="$ratio" -v l="$limit" 'BEGIN { exit !(r <= l) }' || { echo "test code above the limit"; exit 1; }
