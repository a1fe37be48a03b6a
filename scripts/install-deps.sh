#!/usr/bin/env bash
# Installs the Debian packages the build needs (only what is missing). Runs apt-get as root, or
# through sudo when started by another user.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev                  # the two window programs (Qt 6 Widgets, QtTest)
  libcli11-dev nlohmann-json3-dev  # vok's command line and its --json output
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev      # libFuzzer targets
  clang-format                  # the code style check
  xvfb xauth                    # running the windows under a virtual X server
  desktop-file-utils shared-mime-info  # checking the desktop entries and mime types
  dpkg-dev fakeroot file        # building the .deb package
  g++-mingw-w64-x86-64-posix googletest wine64  # vok.exe: the cross build, GoogleTest's sources, Wine
  emscripten                    # the converter page: the core in WebAssembly
  chromium chromium-driver python3-selenium  # the page's test in a headless browser
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm installs the page's zip library; any node with npm serves (Debian's npm package otherwise).
command -v npm > /dev/null || missing+=(npm)

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
else
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  echo "install-deps: installing ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The page's one library (fflate, the zip writer), pinned by web/package-lock.json.
cd "$(dirname "$0")/../web"
if [ ! -f node_modules/fflate/package.json ] || [ package-lock.json -nt node_modules/.package-lock.json ]; then
  echo "install-deps: npm ci in web/"
  npm ci --no-audit --no-fund
fi
