#!/usr/bin/env bash
# The same bytes on both systems: converts every example of data/examples into every game version
# and both forms with the Linux build's vok and with the Windows build's vok.exe (under Wine), with
# SOURCE_DATE_EPOCH set, and compares the outputs byte for byte; also the six starter lists each
# build made and the lists exported as text.
#   scripts/compare-windows.sh [LINUX_BUILD [WINDOWS_BUILD]]    (default: build/release build/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${1:-build/release}
windows=${2:-build/windows}

cached() { sed -n "s/^$1:[A-Z]*=//p" "$windows/CMakeCache.txt"; }
wine=$(cached VOK_WINE)
wineserver=$(cached VOK_WINESERVER)
prefix=$(cd "$windows" && pwd)/wine-prefix
[ -x "$linux/bin/vok" ] || { echo "compare-windows: no $linux/bin/vok (build the release preset)" >&2; exit 1; }
[ -f "$windows/bin/vok.exe" ] || { echo "compare-windows: no $windows/bin/vok.exe (build the windows preset)" >&2; exit 1; }

out=$(mktemp -d)
trap 'WINEPREFIX="$prefix" "$wineserver" -k 2> /dev/null || true; rm -rf "$out"' EXIT
export SOURCE_DATE_EPOCH=1700000000

convert_all() {  # convert_all FOLDER VOK...
  local folder=$1
  shift
  for to in df1 df2 df3; do
    for form in bms mis; do
      for from_form in bms mis; do
        local target="$folder/$from_form-to-$to.$form"
        mkdir -p "$target"
        "$@" --quiet convert data/examples/*."$from_form" --to "$to" --form "$form" --replace skip -o "$target"
      done
    done
  done
  "$@" lists export "$folder/lists-text" > /dev/null
}
convert_all "$out/linux" "$linux/bin/vok"
convert_all "$out/windows" cmake/wine-run.sh "$wine" "$wineserver" "$prefix" "$windows/bin/vok.exe"
mkdir -p "$out/linux/lists" "$out/windows/lists"
cp "$linux"/bin/*.vok "$out/linux/lists/"
cp "$windows"/bin/*.vok "$out/windows/lists/"

files=$(find "$out/linux" -type f | wc -l)
[ "$files" -eq $((3 * 2 * 2 * 3 + 6 + 6)) ] || { echo "compare-windows: expected 48 files, found $files" >&2; exit 1; }
if ! diff -r "$out/linux" "$out/windows"; then
  echo "compare-windows: vok.exe and the Linux vok wrote different bytes" >&2
  exit 1
fi
echo "compare-windows: $files files, byte for byte the same from vok.exe (Wine) and the Linux vok"
