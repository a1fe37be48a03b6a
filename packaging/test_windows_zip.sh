#!/usr/bin/env bash
# test_windows_zip.sh ZIP EMULATOR...
# Unpacks the Windows zip into a fresh folder and uses vok.exe from there, as a user who unpacked it
# would (through EMULATOR, Wine here): it finds its six lists beside it, converts an example, and
# the README tells how to start.
set -euo pipefail
zip=$1
shift
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$folder" && cmake -E tar xf "$zip")
root="$folder/$(basename "$zip" .zip)"
for file in vok.exe README.txt DF1Items.vok DF2Items.vok DF3Items.vok DF1Replace.vok DF2Replace.vok DF3Replace.vok \
            examples/df1_harbour.bms examples/df2_night_raid.mis examples/df3_mountain_pass.bms; do
  [ -f "$root/$file" ] || fail "$file is missing from the zip"
done
grep -q $'vok convert.*\r$' "$root/README.txt" || fail "README.txt has no example command in Windows line ends"

cd "$root"
[ "$("$@" ./vok.exe detect 'examples\df3_mountain_pass.mis' | tr -d '\r')" = df3 ] || fail "detect (lists not found beside vok.exe?)"
"$@" ./vok.exe --quiet convert 'examples\df2_night_raid.bms' lw.mis --to df3 --replace skip || fail "convert"
head -n 1 lw.mis | grep -q "Land Warrior" || fail "the converted mission is not a Land Warrior ascii file"
echo "the zip unpacks and vok.exe works from its folder"
