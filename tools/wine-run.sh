#!/usr/bin/env bash
# Runs a Windows program with Wine, as the Windows test job does (CTest runs every test
# program through this script): 64-bit Wine without a display and without its debug output,
# in a Wine prefix of its own that is made once, when it is missing.
#
#   tools/wine-run.sh PROGRAM.exe [ARGUMENT ...]
#   tools/wine-run.sh --stop      ends the Wine server of the prefix (the test run does, last)
#
# BVHIO_WINEPREFIX names the prefix (default: /tmp/bvhio-wine-<uid>). Run by the superuser,
# Wine runs as the unprivileged user 65534 (nobody): Wine run by the superuser grants every
# access, so tests of read-only files and folders would mean nothing.
set -euo pipefail

wine=""
for candidate in /usr/lib/wine/wine64 "$(command -v wine64 || true)" "$(command -v wine || true)"; do
    if [ -n "$candidate" ] && [ -x "$candidate" ]; then
        wine="$candidate"
        break
    fi
done
if [ -z "$wine" ]; then
    echo "wine-run: no 64-bit Wine (Debian: apt-get install wine64)" >&2
    exit 127
fi
wineserver="$(dirname "$wine")/wineserver"
[ -x "$wineserver" ] || wineserver="$(command -v wineserver || echo wineserver)"

as_user=()
uid="$(id -u)"
if [ "$uid" -eq 0 ] && command -v setpriv >/dev/null 2>&1; then
    uid=65534
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
fi
prefix="${BVHIO_WINEPREFIX:-${TMPDIR:-/tmp}/bvhio-wine-$uid}"

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" HOME="$prefix.home"
unset DISPLAY WAYLAND_DISPLAY

if [ "${1:-}" = "--stop" ]; then
    [ -d "$prefix" ] && "${as_user[@]}" "$wineserver" -k 2>/dev/null || true
    exit 0
fi

# The prefix is made once; several runs at a time wait for the one that makes it.
if [ ! -f "$prefix/system.reg" ]; then
    mkdir -p "$prefix" "$prefix.home"
    [ "${#as_user[@]}" -eq 0 ] || chown "$uid:$uid" "$prefix" "$prefix.home"
    (
        flock 9
        if [ ! -f "$prefix/system.reg" ]; then
            echo "wine-run: making the Wine prefix $prefix (once)" >&2
            "${as_user[@]}" "$wine" wineboot --init </dev/null >/dev/null 2>&1
            "${as_user[@]}" "$wineserver" -w
        fi
    ) 9>"$prefix.lock"
fi
exec "${as_user[@]}" "$wine" "$@"
