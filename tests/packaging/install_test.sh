#!/usr/bin/env bash
# Usage: install_test.sh BUILD_DIR VERSION
# Runs `cmake --install` into a temporary prefix and checks the installed files: exactly
# the expected ones; each program answers --version (the desktop one without a display);
# the desktop entry validates and names an installed program and icon; the manual pages
# render without warnings and carry a NAME section the manual indexer can read.
set -uo pipefail
build=$1
version=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

cmake --install "$build" --prefix "$prefix" >/dev/null || { echo "FAIL: cmake --install"; exit 1; }

programs=(qx310-tools qx310-cli qx310-sim)
expected=(share/applications/qx310-tools.desktop share/icons/hicolor/scalable/apps/qx310-tools.svg
          share/bash-completion/completions/qx310-cli)
for p in "${programs[@]}"; do expected+=("bin/$p" "share/man/man1/$p.1.gz"); done
want=$(printf '%s\n' "${expected[@]}" | sort)
got=$(cd "$prefix" && find . -type f -printf '%P\n' | sort)
[ "$got" = "$want" ] || fail "installed files differ:"$'\n'"$(diff <(echo "$want") <(echo "$got"))"

for p in "${programs[@]}"; do
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb timeout 20 "$prefix/bin/$p" --version 2>&1)
  [ "$out" = "$p $version" ] || fail "$p --version printed '$out'"
done

desktop=$prefix/share/applications/qx310-tools.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate $desktop"
exec_name=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon_name=$(sed -n 's/^Icon=//p' "$desktop")
[ -x "$prefix/bin/$exec_name" ] || fail "Exec=$exec_name is not an installed program"
[ -s "$prefix/share/icons/hicolor/scalable/apps/$icon_name.svg" ] || fail "Icon=$icon_name is not installed"
grep -q '^Name\[zh_CN\]=' "$desktop" || fail "no Chinese name in the desktop entry"

for p in "${programs[@]}"; do
  page=$prefix/share/man/man1/$p.1.gz
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man -l $p.1 warns: $warnings"
  text=$(LC_ALL=C.UTF-8 MANWIDTH=80 man -P cat -l "$page" 2>/dev/null)
  grep -q "QX310-TOOLS $version" <<<"$text" || fail "$p.1 does not name version $version"
  grep -q -- "--version" <<<"$text" || fail "$p.1 does not document --version"
  index=$(lexgrog "$page" 2>&1)
  grep -q "$p - " <<<"$index" || fail "$p.1: no NAME line for the index: $index"
done

[ "$failures" -eq 0 ] && echo "installed tree checked: ${#expected[@]} files"
exit $((failures > 0))
