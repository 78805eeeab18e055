#!/usr/bin/env bash
# Runs one Windows program under Wine, as CTest's emulator for the Windows build
# (scripts/build-windows.sh sets it) or by hand:
#
#   scripts/wine-run.sh [--prefix DIR] [--path DIR]... [--timeout S] PROGRAM.exe [ARGS...]
#
# --prefix: the Wine prefix (default: $WINEPREFIX, else wine/ beside the program's
# folder); --path: a folder searched for DLLs (Qt's, the build's), repeatable;
# --timeout: seconds before the program is ended (default 280), since a
# Windows program that shows a modal error box under a virtual display waits forever.
# The program's exit status is passed on; Wine's own messages are silenced.
set -euo pipefail
wine=/usr/lib/wine/wine64
prefix=${WINEPREFIX:-}
paths=()
seconds=280
while [ $# -gt 0 ]; do
    case "$1" in
        --prefix) prefix=$2; shift 2 ;;
        --path) paths+=("$2"); shift 2 ;;
        --timeout) seconds=$2; shift 2 ;;
        --) shift; break ;;
        *) break ;;
    esac
done
[ $# -ge 1 ] || { echo "usage: $0 [--prefix DIR] [--path DIR]... [--timeout S] PROGRAM.exe [ARGS...]" >&2; exit 2; }
program=$1
shift
[ -n "$prefix" ] || prefix=$(cd "$(dirname "$program")/.." && pwd)/wine

# Wine's server outlives the program: it must not inherit any descriptor of the
# caller, such as the build lock a test run holds, or it would hold it on.
for fd in /proc/$$/fd/*; do
    fd=${fd##*/}
    [ "$fd" -gt 2 ] && [ "$fd" -ne 255 ] && eval "exec $fd>&-"
done

windows_path() { local path=$1; echo "Z:${path//\//\\}"; }

# Wine separates WINEPATH entries with semicolons, in Windows form.
winepath=""
for dir in "${paths[@]}"; do
    winepath+="${winepath:+;}$(windows_path "$(cd "$dir" && pwd)")"
done

export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree=;mshtml="}
# Qt writes test results and messages to the streams, not to the debugger log.
export QT_FORCE_STDERR_LOGGING=${QT_FORCE_STDERR_LOGGING:-1}
# Qt's offscreen platform on Windows reads its fonts from one folder: the host's
# DejaVu fonts give the tests the text metrics they have on Linux.
if [ -z "${QT_QPA_FONTDIR:-}" ] && [ -d /usr/share/fonts/truetype/dejavu ]; then
    export QT_QPA_FONTDIR=Z:/usr/share/fonts/truetype/dejavu
fi
# Wine hides the host's QT_* variables from Windows programs (they would mislead
# a Windows Qt) but hands on WINEQT_* under the plain name.
for name in $(compgen -e | grep '^QT_' || true); do
    export "WINE$name=${!name}"
done
[ -n "$winepath" ] && export WINEPATH=$winepath

# The first program run in a new prefix creates it; runs in parallel would race.
mkdir -p "$(dirname "$prefix")"
exec 9> "$prefix.lock"
flock 9
if [ ! -f "$prefix/system.reg" ]; then
    timeout 300 "$wine" wineboot --init 9>&- > /dev/null 2>&1 || true
    # Windows always has Arial, the program's font; Wine lacks it and would fall
    # back to a serif face with other metrics. Liberation Sans has Arial's.
    timeout 60 "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Arial /t REG_SZ \
        /d 'Liberation Sans' /f 9>&- > /dev/null 2>&1 || true
    timeout 120 /usr/lib/wine/wineserver -w 9>&- || true
fi
flock -u 9
exec 9>&-

set +e
timeout --kill-after=10 "$seconds" "$wine" "$program" "$@"
status=$?
set -e
[ "$status" -eq 124 ] && echo "wine-run: $(basename "$program") did not end within $seconds s" >&2
exit "$status"
