#!/usr/bin/env bash
# Installs the build into a temporary prefix and uses the installed programs from elsewhere:
# the launchers on the PATH must find the lists beside the real programs, from any working folder.
set -euo pipefail
build=$1
source_dir=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" > /dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$prefix/lib/vok/vok" ] || fail "vok is not installed in lib/vok"
for list in DF1Items DF2Items DF3Items DF1Replace DF2Replace DF3Replace; do
  [ -f "$prefix/lib/vok/$list.vok" ] || fail "$list.vok is not beside the programs"
done
[ -L "$prefix/bin/vok" ] || fail "bin/vok is not a launcher link"

cd /
"$prefix/bin/vok" --version | grep -q "vok " || fail "vok --version"
[ "$("$prefix/bin/vok" detect "$prefix/share/vok/examples/df2_night_raid.mis")" = df2 ] || fail "detect through the launcher (lists not found?)"
"$prefix/bin/vok" lists show df3 | grep -q "^2050" || fail "lists show through the launcher"
out=$(mktemp -d)
trap 'rm -rf "$prefix" "$out"' EXIT
"$prefix/bin/vok" --quiet convert "$prefix/share/vok/examples/df2_night_raid.bms" "$out/lw.mis" --to df3 --replace skip
head -n 1 "$out/lw.mis" | grep -q "Delta Force Land Warrior" || fail "the converted mission is not a Land Warrior ascii file"
[ "$("$prefix/bin/vok" info "$out/lw.mis" --from df3 --json | grep -c '"items": 16')" = 1 ] || fail "the converted mission lost items"

if [ -e "$prefix/lib/vok/Vok_Sorrel" ]; then
  for program in Vok_Sorrel Vok_Tally; do
    [ -L "$prefix/bin/$program" ] || fail "bin/$program is not a launcher link"
    "$prefix/bin/$program" --version | grep -q "$program" || fail "$program --version"
  done
  if command -v desktop-file-validate > /dev/null; then
    desktop-file-validate "$prefix/share/applications/vok-sorrel.desktop" "$prefix/share/applications/vok-tally.desktop"
  fi
  if command -v update-mime-database > /dev/null; then
    update-mime-database "$prefix/share/mime" > /dev/null 2>&1 || true
    grep -q "application/x-deltaforce-mission" "$prefix/share/mime/globs2" || fail "mime glob for .bms"
    grep -q "text/x-deltaforce-mission" "$prefix/share/mime/globs2" || fail "mime glob for .mis"
    grep -q "application/x-deltaforce-mission" "$prefix/share/mime/magic" || fail "mime magic for BMS"
  fi
fi
echo "install test passed"
