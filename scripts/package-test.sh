#!/usr/bin/env bash
# Checks the Debian packages made by `cmake --build build --target package` (viduravare,
# viduravare-gui and python3-viduravare): their file lists, their dependencies and lintian, then
# installs them, runs the installed programs against the build tree's, imports the installed
# module with Debian's Python 3, and removes them again. Needs root (apt-get), lintian,
# desktop-file-utils, man-db and bash-completion.
#
#   scripts/package-test.sh [BUILD_DIR]
#
# It also runs the installed window's two-name form as a user who cannot write to /usr/bin, and
# looks for the output in that user's current folder.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath "${1:-build}")
packages=(viduravare viduravare-gui python3-viduravare)

fail() {
  echo "package test: $*"
  exit 1
}

declare -A deb
for package in "${packages[@]}"; do
  found=("$build/${package}"_*.deb)
  if [ "${#found[@]}" -ne 1 ] || [ ! -f "${found[0]}" ]; then
    fail "expected one ${package}_*.deb in $build, found: ${found[*]}"
  fi
  deb[$package]=${found[0]}
done
version=$(dpkg-deb -f "${deb[viduravare]}" Version)
work=$(mktemp -d)
chmod 755 "$work"

cleanup() {
  for package in python3-viduravare viduravare-gui viduravare; do
    if dpkg -s "$package" >/dev/null 2>&1; then apt-get remove -y -qq "$package" >/dev/null; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

listing() {
  dpkg-deb -c "$1" | awk '{print $NF}' | sed 's|^\./|/|'
}

expect_files() {
  local package=$1
  shift
  local files
  files=$(listing "${deb[$package]}")
  for path in "$@"; do
    grep -qx "$path" <<<"$files" || fail "$path is not in $package"
  done
}

echo "-- file lists"
expect_files viduravare /usr/bin/viduravare /usr/share/man/man1/viduravare.1.gz \
  /usr/share/bash-completion/completions/viduravare /usr/share/doc/viduravare/README.md.gz \
  /usr/share/doc/viduravare/formats.md.gz /usr/share/doc/viduravare/copyright \
  /usr/share/doc/viduravare/changelog.gz
expect_files viduravare-gui /usr/bin/viduravare-gui \
  /usr/share/applications/viduravare-gui.desktop \
  /usr/share/mime/packages/viduravare.xml \
  /usr/share/icons/hicolor/scalable/apps/viduravare.svg \
  /usr/share/icons/hicolor/256x256/apps/viduravare.png /usr/share/man/man1/viduravare-gui.1.gz \
  /usr/share/bash-completion/completions/viduravare-gui \
  /usr/share/doc/viduravare-gui/copyright /usr/share/doc/viduravare-gui/changelog.gz
expect_files python3-viduravare /usr/share/doc/python3-viduravare/copyright \
  /usr/share/doc/python3-viduravare/changelog.gz
module=$(listing "${deb[python3-viduravare]}" |
  grep -x '/usr/lib/python3/dist-packages/viduravare\.cpython-[0-9]*-.*\.so') ||
  fail "python3-viduravare holds no module for Debian's python3"
if listing "${deb[viduravare]}" | grep -q viduravare-gui; then
  fail "the command-line package holds a file of the window"
fi

echo "-- dependencies"
depends() {
  dpkg-deb -f "${deb[$1]}" Depends
}
if grep -qi qt <<<"$(depends viduravare)"; then
  fail "viduravare depends on Qt: $(depends viduravare)"
fi
grep -q "viduravare (= $version)" <<<"$(depends viduravare-gui)" ||
  fail "viduravare-gui does not depend on viduravare $version"
for needed in python3 python3-numpy; do
  grep -qw "$needed" <<<"$(depends python3-viduravare)" ||
    fail "python3-viduravare does not depend on $needed"
done

echo "-- lintian"
# Errors fail the test; warnings and notes are printed for the reader.
for package in "${packages[@]}"; do
  if ! report=$(lintian --fail-on error --display-info "${deb[$package]}" 2>&1); then
    echo "$report"
    fail "lintian finds errors in $package"
  fi
  grep -v 'running with root privileges' <<<"$report" || true
done

echo "-- install"
apt-get install -y -qq "${deb[@]}" >/dev/null
for program in /usr/bin/viduravare /usr/bin/viduravare-gui; do
  [ -x "$program" ] || fail "$program is not installed"
done

echo "-- version"
[ "$(/usr/bin/viduravare --version)" = "viduravare $version" ] ||
  fail "viduravare --version says '$(/usr/bin/viduravare --version)', the package is $version"

echo "-- conversions against the build tree"
export LC_ALL=C.UTF-8
convert_both() {
  local name=$1
  shift
  "$build/viduravare" convert "$@" -o "$work/$name.build.txt" 2>/dev/null
  /usr/bin/viduravare convert "$@" -o "$work/$name.installed.txt" 2>/dev/null
  cmp "$work/$name.build.txt" "$work/$name.installed.txt" ||
    fail "the installed program converts $name differently"
}
convert_both atelier samples/atelier_nord.pdb
convert_both entrepot --header samples/entrepot_header.pdc samples/entrepot_01.pdc \
  samples/entrepot_02.pdc

echo "-- manual pages"
for page in viduravare viduravare-gui; do
  man -w "$page" >/dev/null || fail "man -w $page finds no page"
  warnings=$(zcat "/usr/share/man/man1/$page.1.gz" | groff -man -ww -z 2>&1)
  [ -z "$warnings" ] || fail "groff warns on $page(1): $warnings"
done

echo "-- desktop file and MIME types"
desktop-file-validate /usr/share/applications/viduravare-gui.desktop
# The package's trigger has registered the recordings' types, which the desktop file opens.
for type in application/x-viduravare-dump application/x-viduravare-logger; do
  grep -q "^[0-9]*:$type:" /usr/share/mime/globs2 || fail "$type is not registered"
  grep -q "MimeType=.*$type;" /usr/share/applications/viduravare-gui.desktop ||
    fail "the desktop file does not open $type"
done
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/bin/viduravare-gui --version)" = "viduravare-gui $version" ] ||
  fail "viduravare-gui --version needs a display or says another version"

echo "-- the installed window starts"
# Without names the window opens and waits: still running after 3 s (timeout's 124) means it
# found its libraries and its platform plugin.
status=0
QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/viduravare-gui 2>/dev/null || status=$?
[ "$status" -eq 124 ] || fail "the installed window ended with status $status instead of waiting"

echo "-- bash completion"
# Completes `words` (the last one partly typed) in the samples folder, as bash would on TAB.
complete_line() {
  (
    cd samples
    # shellcheck disable=SC1091
    source /usr/share/bash-completion/bash_completion
    # shellcheck disable=SC1090
    source "/usr/share/bash-completion/completions/$1"
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMP_LINE="$*"
    COMP_POINT=${#COMP_LINE}
    "_${1//-/_}" "$1" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
  )
}
expect_completion() {
  local expected=$1
  shift
  local got
  got=$(complete_line "$@")
  [ "$got" = "$expected" ] || fail "completing '$*' gives '$got', expected '$expected'"
}
expect_completion "convert " viduravare conv
expect_completion "--header " viduravare convert --hea
expect_completion "entrepot_01.pdc entrepot_02.pdc entrepot_header.pdc " \
  viduravare convert --header entrepot
expect_completion "atelier_nord.pdb " viduravare preview atel
expect_completion "entrepot_header.pdc " viduravare header entrepot_h
expect_completion "--version " viduravare --vers
expect_completion "quendar_chambre.pdc " viduravare-gui quen

# NON-ROOT STEP: the window's two-name form, run by a user who owns only the current folder.
# The program's folder, /usr/bin, is not writable for that user: OUT.txt must land in the
# current folder, with the same text as the build tree's conversion.
echo "-- the installed window converts for a normal user"
home="$work/user"
mkdir "$home"
cp samples/atelier_nord.pdb "$home/"
chown -R nobody:nogroup "$home"
runuser -u nobody -- env -C "$home" HOME="$home" QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 \
  /usr/bin/viduravare-gui atelier_nord.pdb OUT.txt || fail "the window's two-name form failed"
[ -f "$home/OUT.txt" ] || fail "no OUT.txt in the user's current folder"
cmp "$work/atelier.build.txt" "$home/OUT.txt" || fail "the window's output differs"

echo "-- the installed module"
# From a folder without the build tree, with Debian's Python 3 and nothing on PYTHONPATH.
(
  cd "$work"
  env -u PYTHONPATH /usr/bin/python3 - "$OLDPWD/samples/atelier_nord.pdb" "$module" <<'PY'
import sys
import viduravare
assert viduravare.__file__ == sys.argv[2], viduravare.__file__
rec = viduravare.read(sys.argv[1])
assert (rec.kind, rec.serial, rec.values.shape) == ("multichannel", "00A1B2C3", (144, 25))
assert rec.to_pandas().index.name == "time"
print(rec)
PY
) || fail "the installed module does not read a sample"

echo "-- remove"
apt-get remove -y -qq python3-viduravare viduravare-gui viduravare >/dev/null
# Every file of the packages is gone, /usr/bin/viduravare first.
for package in "${packages[@]}"; do
  while read -r path; do
    [ ! -e "$path" ] || fail "$path is still there after removing $package"
  done < <(listing "${deb[$package]}" | grep -v '/$')
done
echo "package test passed"
