#!/usr/bin/env bash
# Builds the whole utility for 64-bit Windows: TaldorIPUtility.exe with its
# libraries, the skin plugin, the host example, taldor-ip.exe, the discovery
# library, the simulator and the test executables, against Qt for Windows built
# from Debian's source (scripts/build-qt-windows.sh, cached outside the checkout)
# and Debian's own Qt as host tools (moc, uic, rcc, lrelease).
#
#   scripts/build-windows.sh            configure and build into build-winqt/
#   scripts/build-windows.sh deploy     also lay out the program folder as Windows
#                                       users get it (build-winqt/deploy/) and zip it
#   scripts/build-windows.sh test [CTEST OPTIONS]   run the tests under Wine
#   scripts/build-windows.sh screenshot the program under Wine with the demo fleet
#                                       (docs/images/windows-wine.png)
#
# Environment: TALDOR_WINQT_BUILD (build folder, default build-winqt/),
# TALDOR_WINDOWS_BUILD (where scripts/windows-check.sh keeps libsodium for
# Windows, default build-windows/), TALDOR_JOBS (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TALDOR_WINQT_BUILD:-$root/build-winqt}
windows_build=${TALDOR_WINDOWS_BUILD:-$root/build-windows}
jobs=${TALDOR_JOBS:-2}
began=$SECONDS

fail() { echo "build-windows: FAILED: $*" >&2; exit 1; }
step() { echo "== build-windows: $* ($((SECONDS - began)) s)" >&2; }

# libsodium built for Windows with the header-only libraries, as the library
# check prepares it.
windows_prefix() {
    local prefix=$windows_build/x86_64/prefix
    if ! compgen -G "$prefix/.built-from-*" > /dev/null; then
        step "libsodium for Windows (scripts/windows-check.sh)"
        TALDOR_WINDOWS_BUILD=$windows_build "$root/scripts/windows-check.sh" \
            || fail "scripts/windows-check.sh, which builds libsodium for Windows"
    fi
    compgen -G "$prefix/.built-from-*" > /dev/null || fail "no libsodium for Windows in $prefix"
    echo "$prefix"
}

configure() {
    local qt=$1 prefix=$2
    step "configuring $build with Qt in $qt"
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
        -DTALDOR_WINDOWS_PREFIX="$prefix" -DTALDOR_BUILD_BENCH=OFF \
        -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/wine-run.sh;--prefix;$build/wine;--path;$qt/bin;--path;$build/bin" \
        > "$build/configure.log" 2>&1 \
        || { tail -n 40 "$build/configure.log" >&2; fail "configuring (see $build/configure.log)"; }
}

compile() {
    step "building with $jobs jobs"
    flock /tmp/taldor-build.lock cmake --build "$build" --parallel "$jobs" > "$build/build.log" 2>&1 \
        || { grep -E -B2 -A10 'FAILED|error' "$build/build.log" | head -n 80 >&2; fail "building (see $build/build.log)"; }
}

deploy() {
    local folder=$build/deploy
    step "program folder in $folder"
    rm -rf "$folder"
    cmake --install "$build" --prefix "$folder" --component utility > "$build/install.log" 2>&1 \
        || { tail -n 30 "$build/install.log" >&2; fail "installing into $folder"; }
    step "zip"
    (cd "$build" && cpack -G ZIP > "$build/cpack.log" 2>&1) \
        || { tail -n 30 "$build/cpack.log" >&2; fail "cpack -G ZIP"; }
    ls "$build"/*.zip
}

wine_run() { "$root/scripts/wine-run.sh" --prefix "$build/wine" "$@"; }

# The Windows tests under Wine, through the emulator the configuration names.
run_tests() {
    step "tests under Wine"
    (cd "$build" && flock /tmp/taldor-build.lock ctest --output-on-failure --timeout 300 "$@") | tee "$build/ctest.log"
}

# The program from the program folder under Wine on a virtual X server, with the
# simulator's demo fleet on this machine's loopback, photographed once the
# table has had time to fill: docs/images/windows-wine.png.
screenshot() {
    local folder=$build/deploy linux_build=$root/build shot=$root/docs/images/windows-wine.png
    [ -f "$folder/TaldorIPUtility.exe" ] || fail "no program folder; run $0 deploy first"
    [ -x "$linux_build/bin/lumo-devsim" ] || flock /tmp/taldor-build.lock cmake --build "$linux_build" --target lumo-devsim
    local state
    state=$(mktemp -d)
    "$linux_build/bin/lumo-devsim" --demo --state "$state/fleet.json" > "$state/devsim.log" 2>&1 &
    local sim=$!
    step "screenshot under Wine"
    LUMO_INTERFACES=none LUMO_TARGETS=127.0.0.1 SHOT="$shot.tmp" PROGRAM="$folder/TaldorIPUtility.exe" \
        WINE_RUN="$root/scripts/wine-run.sh" PREFIX="$build/wine" \
        timeout 300 xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
            "$WINE_RUN" --prefix "$PREFIX" --timeout 120 "$PROGRAM" & program=$!
            for _ in $(seq 600); do
                xwininfo -root -tree 2>/dev/null | grep -q "TaldorIPUtility\|Taldor IP" && break
                sleep 0.1
            done
            sleep 10
            xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$SHOT"
            kill $program 2>/dev/null
            wait' || true
    kill "$sim" 2>/dev/null || true
    wait "$sim" 2>/dev/null || true
    rm -rf "$state"
    [ -s "$shot.tmp" ] || fail "no screenshot was taken"
    mv "$shot.tmp" "$shot"
    step "wrote $shot"
}

main() {
    mkdir -p "$build"
    step "Qt for Windows"
    local qt prefix
    qt=$("$root/scripts/build-qt-windows.sh" | tail -n 1)
    [ -f "$qt/.complete" ] || fail "no Qt for Windows"
    prefix=$(windows_prefix)
    configure "$qt" "$prefix"
    compile
    case "${1:-}" in
        deploy) deploy ;;
        test) shift; run_tests "$@" ;;
        screenshot) deploy; screenshot ;;
    esac
    step "done: $build/bin"
}

main "$@"
