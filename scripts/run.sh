#!/usr/bin/env bash
# Sets up, builds, and runs the main job: the command-line tool on the shipped examples, then the
# converter window on the Delta Force 2 example (when a display is available); and it builds the
# converter page and says where it is.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release
cmake --build --preset release

bin=build/release/bin
examples=data/examples
out=build/release/run-output
mkdir -p "$out"

echo "== vok detect / info"
"$bin/vok" detect "$examples/df2_night_raid.bms"
"$bin/vok" info "$examples/df2_night_raid.bms"

echo "== vok convert: binary to ascii, same version"
"$bin/vok" convert "$examples/df2_night_raid.bms" "$out/df2_night_raid.mis"
echo "== vok convert: Delta Force 2 to Land Warrior (types the target lacks are kept, and reported)"
"$bin/vok" convert "$examples/df2_night_raid.bms" "$out/night_raid_lw.bms" --to df3 --replace skip
echo "== vok convert: every example into Delta Force 1 ascii"
"$bin/vok" convert "$examples"/*.bms --to df1 --form mis --replace remove -o "$out"
ls -l "$out"

echo "== the converter in the browser"
cmake --preset web > /dev/null
cmake --build --preset web
echo "The page: file://$(pwd)/build/web/page/index.html"
echo "(open it in a browser, or serve build/web/page from any static web host)"

if [ -n "${DISPLAY:-}" ] && [ -x "$bin/Vok_Sorrel" ]; then
  echo "== Vok_Sorrel $examples/df2_night_raid.bms"
  "$bin/Vok_Sorrel" "$examples/df2_night_raid.bms"
elif [ -x "$bin/Vok_Sorrel" ]; then
  echo "(no DISPLAY: start the converter with  $bin/Vok_Sorrel $examples/df2_night_raid.bms)"
fi
