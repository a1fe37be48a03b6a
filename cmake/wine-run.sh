#!/bin/sh
# wine-run.sh WINE WINESERVER PREFIX PROGRAM [ARGUMENTS...]
# Runs a Windows program under Wine, headless and quiet, in the Wine prefix PREFIX (made on first
# use, once).
#
# The Wine server, and the services Wine starts with its first program, outlive that program. They
# must not inherit the caller's output: CTest waits until the output of a test is closed, so each
# test would wait for the server to time out, and the next one start it again. Whoever finds no
# server starts it here, with its output going nowhere; it stays up for a minute after the last
# program (the tests end with "wineserver -k").
set -e
wine=$1
wineserver=$2
export WINEPREFIX="$3"
shift 3
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
mkdir -p "$(dirname "$WINEPREFIX")"
(
  flock 9
  # (Not handing them the lock either: they would hold it for as long as they run.)
  if "$wineserver" -p60 < /dev/null > /dev/null 2>&1 9>&-; then
    "$wine" wineboot --init < /dev/null > /dev/null 2>&1 9>&-
  fi
) 9> "$WINEPREFIX.lock"
exec "$wine" "$@"
