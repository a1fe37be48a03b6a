#!/usr/bin/env bash
# Builds the packages (a .deb and a portable .tar.gz) from the release build, and the portable
# Windows zip (vok.exe, the six lists, the examples, README.txt) from the windows build, and the
# converter page (vok-web-<version>.zip) from the web build. With
# --install-test (as root, on a machine the test may change) it also installs the .deb with apt-get, which must
# pull only Debian packages, uses the installed programs, and removes the package again.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --build --preset release
(cd build/release && cpack -G "DEB;TGZ" > /dev/null)
deb=$(ls build/release/vok_*.deb | head -n 1)
tgz=$(ls build/release/vok-*.tar.gz | head -n 1)
echo "package: $deb"
echo "package: $tgz"
dpkg-deb --info "$deb" | grep -E "Package|Version|Depends"

[ -f build/windows/CMakeCache.txt ] || cmake --preset windows > /dev/null
cmake --build --preset windows --target windows_zip
zip=$(ls build/windows/vok-*-windows-x64.zip | head -n 1)
echo "package: $zip"
cmake -E tar tf "$zip"

[ -f build/web/CMakeCache.txt ] || cmake --preset web > /dev/null
cmake --build --preset web --target web_zip
zip=$(ls build/web/vok-web-*.zip | head -n 1)
echo "package: $zip"
cmake -E tar tf "$zip"

if [ "${1:-}" = "--install-test" ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y "./$deb" > /dev/null
  trap 'apt-get remove -y vok > /dev/null' EXIT
  cd /tmp
  [ "$(vok detect /usr/share/vok/examples/df3_mountain_pass.bms)" = df3 ] || { echo "installed vok fails" >&2; exit 1; }
  vok lists show df1 | grep -q "^2031" || { echo "installed vok finds no lists" >&2; exit 1; }
  Vok_Sorrel --version
  Vok_Tally --version
  desktop-file-validate /usr/share/applications/vok-sorrel.desktop /usr/share/applications/vok-tally.desktop
  echo "the .deb installs and runs"
fi
