#!/usr/bin/env bash
# test_windows_zip.sh ZIP README.md EMULATOR...
# Unpacks the Windows zip into a fresh folder and uses vok.exe from there, as a user who unpacked it
# would (through EMULATOR, Wine here): it finds its six lists beside it, converts an example, the
# README tells how to start, and every command of README.txt and of README.md's Windows examples
# runs there as written.
set -euo pipefail
zip=$1
readme_md=$2
shift 2
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

# The commands as the READMEs write them, one a line, words as cmd.exe splits them (none is quoted).
# Patterns stay patterns: vok.exe expands them, not this shell.
set -f
commands=$(tr -d '\r' < README.txt | sed -n 's/^  vok \(.*\)$/\1/p'
           sed -n '/^### vok for Windows/,/^### /p' "$readme_md" | sed -n '/^```bat/,/^```$/p' | sed -n 's/^vok \(.*\)$/\1/p')
[ "$(printf '%s\n' "$commands" | grep -c .)" -ge 10 ] || fail "the READMEs hold fewer commands than expected"
while IFS= read -r command; do
  # shellcheck disable=SC2086
  "$@" ./vok.exe $command < /dev/null > /dev/null 2> err.txt || { cat err.txt >&2; fail "vok $command"; }
done <<< "$commands"
set +f
[ -f df1/df3_mountain_pass.mis ] || fail "the batch into df1 (a folder it makes) wrote nothing"
echo "the zip unpacks and vok.exe works from its folder, with every command of its READMEs"
