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

mkdir -p "$(dirname "$prefix")"
(
  # Programs started in parallel wait here for the one that prepares the prefix.
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    "$loader" wineboot --init < /dev/null > /dev/null 2>&1 9>&-
    "$wineserver" -w 9>&-
  fi
  # Keep the prefix's server up between the many short test programs of a run (starting it costs
  # seconds); it leaves by itself half a minute after the last program. When it is new, start
  # Wine's background services now, apart from this program's output: started by the program
  # they would inherit its output and hold it open for as long as the server lives, and whoever
  # reads the output would wait for them.
  # (Nothing started here keeps the lock: the server would hold it for its whole life.)
  if "$wineserver" -p30 < /dev/null > /dev/null 2>&1 9>&-; then
    "$loader" wineboot < /dev/null > /dev/null 2>&1 9>&- || true
  fi
) 9> "$prefix.lock"

status=0
"$loader" "$@" || status=$?
# Now and then Wine's own loader dies of a segmentation fault while a finished program exits. A
# program's own crash ends it differently, with the exception's code (5 for an access violation),
# so such a death says nothing about the program: it runs once more.
if [ "$status" -eq 139 ]; then
  echo "wine-run.sh: Wine itself crashed (signal 11); running the program once more" >&2
  exec "$loader" "$@"
fi
exit "$status"
