#!/bin/sh
# Makes the Wine prefix of the build tree ($WINEPREFIX) once, and waits until
# Wine has finished setting it up.
set -e
wine="$1"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot --init >/dev/null 2>&1 || true
fi
wineserver -w 2>/dev/null || /usr/lib/wine/wineserver -w
test -f "$WINEPREFIX/system.reg"
