#!/usr/bin/env bash
# Runs every example command line of README.md and of the manual pages as written, on the
# samples, each of which must exit with 0:
#   README.md: the ```sh blocks made only of `mkdir` and `build/viduravare` lines, run in a copy
#     of the source layout (samples/, build/viduravare);
#   packaging/*.1: the lines of the EXAMPLES sections, run beside copies of the samples with the
#     programs on the PATH (copies, so that the two-name form writes into the work folder).
# usage: doc_examples.sh SOURCE_DIR VIDURAVARE [VIDURAVARE_GUI]
set -uo pipefail
source=$1 cli=$2 gui=${3:-}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT; [ -n "${KEEP:-}" ] && trap - EXIT
passed=0 failed=0

run() {  # run FOLDER COMMAND
  if (cd "$1" && QT_QPA_PLATFORM=offscreen PATH="$work/man/bin:$PATH" bash -c "$2") \
      >"$work/log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $2"
    sed 's/^/  /' "$work/log"
  fi
}

# Joins the lines that end in a backslash with the next and drops trailing comments.
join_lines() { sed -e ':a' -e '/\\$/N; s/\\\n//; ta' | sed -E 's/[[:space:]]+#.*$//'; }

mkdir -p "$work/src/build" "$work/man/bin"
cp -r "$source/samples" "$work/src/samples"
cp "$cli" "$work/src/build/viduravare"
cp "$source"/samples/*.pd? "$work/man/"
cp "$cli" "$work/man/bin/viduravare"
[ -n "$gui" ] && cp "$gui" "$work/man/bin/viduravare-gui"

# README.md: the blocks whose every command is an example of the command line.
awk '/^```sh$/ { block = ""; inside = 1; next }
     /^```$/ && inside { print block "\x1e"; inside = 0; next }
     inside { block = block $0 "\n" }' "$source/README.md" |
  while IFS= read -r -d $'\x1e' block; do
    commands=$(printf '%s' "$block" | join_lines | sed '/^[[:space:]]*$/d')
    grep -q -v -E '^(mkdir|build/viduravare) ' <<<"$commands" && continue
    printf '%s\n' "$commands"
  done >"$work/readme.txt"

# The manual pages: the lines between .nf and .fi of the EXAMPLES section, unescaped.
for page in "$source"/packaging/*.1; do
  sed -n '/^\.SH EXAMPLES/,/^\.SH /p' "$page" | sed -n '/^\.nf/,/^\.fi/p' | grep -v '^\.' |
    sed -e 's/\\-/-/g' -e 's/\\e/\\/g' | join_lines
done >"$work/man.txt"

[ -s "$work/readme.txt" ] && [ -s "$work/man.txt" ] || { echo "no examples found"; exit 1; }
while IFS= read -r command; do run "$work/src" "$command"; done <"$work/readme.txt"
while IFS= read -r command; do
  if [[ $command == viduravare-gui* && -z $gui ]]; then echo "skipped (no window): $command"; continue; fi
  run "$work/man" "$command"
done <"$work/man.txt"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
