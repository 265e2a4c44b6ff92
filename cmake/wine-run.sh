#!/bin/sh
# Runs a Windows program under Wine: wine-run.sh ARCH PREFIX PROGRAM [ARGUMENT...]
# ARCH is win32 or win64; PREFIX is a Wine prefix of that architecture, made on first use (Wine's
# first start takes several seconds, so the prefix is kept and reused).
set -eu
arch=$1
prefix=$2
shift 2

export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all
case "$arch" in
  win32) loader=/usr/lib/wine/wine ;;
  win64) loader=/usr/lib/wine/wine64 ;;
  *) echo "wine-run.sh: unknown architecture $arch" >&2; exit 2 ;;
esac
[ -x "$loader" ] || loader=$(command -v wine)

wineserver=$(dirname "$loader")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver

if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  # Programs started in parallel wait for the one that makes the prefix.
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      "$loader" wineboot --init > /dev/null 2>&1
      "$wineserver" -w
    fi
  ) 9> "$prefix.lock"
fi

# Keep the prefix's server up between the many short test programs of a run (starting it costs
# seconds); it leaves by itself half a minute after the last program. Does nothing when it runs.
"$wineserver" -p30 < /dev/null > /dev/null 2>&1 || true

exec "$loader" "$@"
