#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Dirlix Pro: installs the build into a scratch DESTDIR and checks the installed program.
# Usage: test_install.sh BUILD-FOLDER PRINT-HELP-FOLDER-PROGRAM VERSION-TEXT [CMAKE]
set -uo pipefail

build="$1"
print_help_folder="$2"
version="$3"
cmake="${4:-cmake}"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
# The installed programs never see the real user's settings.
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" LC_ALL=C.UTF-8
mkdir -p "$HOME" "$XDG_CONFIG_HOME"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

for tool in desktop-file-validate appstreamcli man; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/deps test installs it)"; exit 1; }
done

root="$scratch/root"
if ! DESTDIR="$root" "$cmake" --install "$build" --prefix /usr >"$scratch/install.log" 2>&1; then
  cat "$scratch/install.log"
  echo "FAIL: cmake --install failed"
  exit 1
fi
usr="$root/usr"

# Exactly the program's files: no test, benchmark or helper program, nothing outside /usr.
(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) >"$scratch/installed"
diff -u - "$scratch/installed" <<'EOF' || fail "the installed files differ from the expected set (- expected, + installed)"
usr/bin/dirlix-list
usr/bin/dirlix-pro
usr/share/applications/dirlix-pro.desktop
usr/share/dirlix-pro/Help/catalog.html
usr/share/dirlix-pro/Help/compare.html
usr/share/dirlix-pro/Help/faq.html
usr/share/dirlix-pro/Help/filters.html
usr/share/dirlix-pro/Help/index.html
usr/share/dirlix-pro/Help/support.html
usr/share/icons/hicolor/16x16/apps/dirlix-pro.png
usr/share/icons/hicolor/32x32/apps/dirlix-pro.png
usr/share/icons/hicolor/48x48/apps/dirlix-pro.png
usr/share/icons/hicolor/scalable/apps/dirlix-pro.svg
usr/share/man/man1/dirlix-list.1
usr/share/man/man1/dirlix-pro.1
usr/share/metainfo/com.quillborne.DirlixPro.metainfo.xml
EOF
for program in dirlix-pro dirlix-list; do
  [ -x "$usr/bin/$program" ] || fail "$program is not installed as an executable"
  # The installed program must not lean on the build tree.
  readelf -d "$usr/bin/$program" 2>/dev/null | grep -E 'R(UN)?PATH' | grep -qF "$build" &&
    fail "$program keeps a library path into the build folder"
done

# Each icon is the size its folder says (a PNG's width and height are the big-endian words at 16 and 20).
for size in 16 32 48; do
  png="$usr/share/icons/hicolor/${size}x${size}/apps/dirlix-pro.png"
  [ -f "$png" ] || continue
  read -r width height < <(od -An -tx1 -j16 -N8 "$png" | tr -d ' ' | sed 's/\(.\{8\}\)/0x\1 /g')
  [ $((width)) -eq "$size" ] && [ $((height)) -eq "$size" ] || fail "${size}x${size} icon is $((width))x$((height))"
done

# The menu entry: valid, starting an installed program with an installed icon.
desktop="$usr/share/applications/dirlix-pro.desktop"
if [ -f "$desktop" ]; then
  desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the menu entry"
  entry() { sed -n "s/^$1=//p" "$desktop"; }
  exec_program="$(entry Exec | cut -d' ' -f1)"
  [ -x "$usr/bin/$exec_program" ] || fail "menu entry starts '$exec_program', which is not installed in bin"
  [ -f "$usr/share/icons/hicolor/scalable/apps/$(entry Icon).svg" ] || fail "menu entry icon '$(entry Icon)' is not installed"
fi

# The software-centre data: valid, named after its id, launching the installed menu entry.
metainfo="$usr/share/metainfo/com.quillborne.DirlixPro.metainfo.xml"
if [ -f "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo file"
  id="$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")"
  [ "$id.metainfo.xml" = "$(basename "$metainfo")" ] || fail "metainfo id '$id' does not match its file name"
  launchable="$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")"
  [ -f "$usr/share/applications/$launchable" ] || fail "metainfo launches '$launchable', which is not installed"
fi

# The manual pages render without a warning (man asks only about macros; groff -ww about all) and
# name this version.
for page in dirlix-list dirlix-pro; do
  file="$usr/share/man/man1/$page.1"
  [ -f "$file" ] || continue
  warnings="$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null; groff -ww -z -man "$file" 2>&1)"
  [ -z "$warnings" ] || fail "$page.1 renders with warnings: $warnings"
  MANWIDTH=80 man -l "$file" 2>/dev/null | grep -qF "Dirlix Pro $version" || fail "$page.1 does not name version $version"
done

list="$usr/bin/dirlix-list"
if [ -x "$list" ] && [ -f "$usr/share/man/man1/dirlix-list.1" ]; then
  # Every option that dirlix-list --help names has an entry of its own in the manual page's OPTIONS;
  # plain ASCII, wide enough that no entry's heading is broken or hyphenated.
  options="$("$list" --help | grep -oE '(^|[ ,])--?[a-z][a-z-]*' | tr -d ' ,' | sort -u)"
  [ -n "$options" ] || fail "dirlix-list --help names no options"
  plain="$(MANWIDTH=200 man -E ascii -l "$usr/share/man/man1/dirlix-list.1" 2>/dev/null)"
  headings="$(sed -n '/^OPTIONS/,/^[A-Z]/p' <<<"$plain" | grep -E '^ {7}-')"
  for option in $options; do
    grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$headings" || fail "the manual page has no entry for $option"
  done
fi

# The installed companion runs and lists, and fails with 2 on a missing folder.
if [ -x "$list" ]; then
  out="$("$list" --version)"
  [ "$out" = "Dirlix Pro $version" ] || fail "dirlix-list --version says '$out'"
  tree="$scratch/tree"
  mkdir -p "$tree/sub" "$tree/.hidden"
  printf 'abc' >"$tree/a.txt"
  printf '' >"$tree/sub/b.txt"
  printf 'x' >"$tree/.hidden/c.txt"
  "$list" --template='%Dir%%Fn%|%Sbb%' "$tree" >"$scratch/listing" 2>"$scratch/listing.err" ||
    fail "dirlix-list exited with $?: $(cat "$scratch/listing.err")"
  printf '%s\r\n' "$tree/a.txt|3" "$tree/sub/b.txt|0" | cmp -s - "$scratch/listing" ||
    fail "dirlix-list listed: $(od -c "$scratch/listing")"
  "$list" "$scratch/missing" >/dev/null 2>&1
  status=$?
  [ "$status" -eq 2 ] || fail "dirlix-list on a missing folder exited with $status, not 2"
fi

# The installed program finds its help pages at ../share/dirlix-pro/Help; the built one beside itself.
check_help() { # PROGRAM-FOLDER EXPECTED-HELP-FOLDER
  local help
  help="$("$print_help_folder" "$1")"
  [ "$help" = "$2" ] || fail "help folder of the program in $1 is '$help'"
  [ -f "$help/index.html" ] || fail "Help, Contents of the program in $1 finds no $help/index.html"
}
check_help "$usr/bin" "$usr/share/dirlix-pro/Help"
check_help "$build/src/app" "$build/src/app/Help"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "the installed program passed every check"
