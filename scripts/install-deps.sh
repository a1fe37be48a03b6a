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
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
