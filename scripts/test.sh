#!/usr/bin/env bash
# Sets up and runs every test: the release build, the sanitizer build (AddressSanitizer and
# UndefinedBehaviorSanitizer), the converter page in headless Chromium, the Windows build under Wine (and the same bytes from vok.exe as from
# the Linux vok), and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== style: every C++ file as .clang-format has it"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

for preset in release asan; do
  echo "== $preset: build"
  cmake --preset "$preset"
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: test"
  ctest --preset "$preset" -j "$jobs"
done

echo "== web: the core in WebAssembly and the page, tested in headless Chromium against the release vok"
cmake --preset web
cmake --build --preset web -j "$jobs"
ctest --preset web

echo "== windows: cross build (mingw-w64) and tests under Wine"
start=$SECONDS
cmake --preset windows
cmake --build --preset windows -j "$jobs"
built=$SECONDS
ctest --preset windows -j "$jobs"
echo "windows: build $((built - start)) s, tests $((SECONDS - built)) s"
scripts/compare-windows.sh build/release build/windows

echo "== packages"
if [ "${CI:-}" = "true" ] && [ "$(id -u)" -eq 0 ]; then
  scripts/package.sh --install-test
else
  scripts/package.sh
fi

if [ -f fuzz/CMakeLists.txt ] && grep -q add_executable fuzz/CMakeLists.txt; then
  echo "== fuzz: build and a short run of every target"
  cmake --preset fuzz
  cmake --build --preset fuzz -j "$jobs" --target fuzz_all
  ctest --preset fuzz -L fuzz -j "$jobs"
fi
