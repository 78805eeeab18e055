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
#   scripts/build-windows.sh installer  also build the NSIS installer and check it
#                                       under Wine: installs, then uninstalls cleanly
#   scripts/build-windows.sh test [CTEST OPTIONS]   run the tests under Wine
#   scripts/build-windows.sh screenshot the program under Wine with the demo fleet
#                                       (docs/images/windows-wine.png)
#
# Environment: TALDOR_WINQT_BUILD (build folder, default build-winqt/),
# TALDOR_WINDOWS_BUILD (where scripts/windows-check.sh keeps the libraries for
# Windows, default build-windows/), TALDOR_JOBS (default 2).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TALDOR_WINQT_BUILD:-$root/build-winqt}
windows_build=${TALDOR_WINDOWS_BUILD:-$root/build-windows}
jobs=${TALDOR_JOBS:-2}
began=$SECONDS

fail() { echo "build-windows: FAILED: $*" >&2; exit 1; }
step() { echo "== build-windows: $* ($((SECONDS - began)) s)" >&2; }

# The libraries for Windows (libsodium, and nettle, pugixml and cpp-httplib for
# the simulator's ONVIF cameras) with the header-only ones, built from Debian's
# sources as the library check prepares them: scripts/windows-check.sh prefix
# builds whichever of them the prefix lacks, and nothing when it has them all.
windows_prefix() {
    local prefix=$windows_build/x86_64/prefix
    # Called as $(windows_prefix): the progress goes to standard error, so that
    # only the prefix is captured. It may build, so it takes the build lock as
    # compile does.
    step "libraries for Windows in $prefix (scripts/windows-check.sh prefix)"
    TALDOR_WINDOWS_BUILD=$windows_build flock /tmp/taldor-build.lock "$root/scripts/windows-check.sh" prefix x86_64 >&2 \
        || fail "scripts/windows-check.sh prefix, which builds the libraries for Windows"
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
    cmake --install "$build" --prefix "$folder" --component utility --strip > "$build/install.log" 2>&1 \
        || { tail -n 30 "$build/install.log" >&2; fail "installing into $folder"; }
    step "zip"
    (cd "$build" && cpack -G ZIP > "$build/cpack.log" 2>&1) \
        || { tail -n 30 "$build/cpack.log" >&2; fail "cpack -G ZIP"; }
    ls "$build"/*.zip
    scan_program_folder "$folder"
    check_folder_runs_alone "$folder"
}

# The program folder carries every DLL its programs need: taldor-ip.exe, which
# needs Qt Network besides Qt Core, runs with no other folder on the DLL path.
check_folder_runs_alone() {
    local folder=$1
    step "taldor-ip.exe from $folder alone"
    wine_run --timeout 120 "$folder/taldor-ip.exe" --help > "$build/folder-alone.log" 2>&1 \
        || { tail -n 20 "$build/folder-alone.log" >&2; fail "taldor-ip.exe does not start from the program folder alone"; }
}

# The program folder holds nothing that can issue or check a security code: the
# Linux build's package scan (tests/packaging) run over it.
scan_program_folder() {
    local folder=$1 linux_build=$root/build
    step "scanning $folder for the issuing key and code"
    [ -x "$linux_build/bin/tst_package_contents" ] \
        || flock /tmp/taldor-build.lock cmake --build "$linux_build" --target tst_package_contents > "$build/scan.log" 2>&1 \
        || { tail -n 30 "$build/scan.log" >&2; fail "building the package scan in $linux_build"; }
    TALDOR_SCANNED_DIRS=$folder QT_QPA_PLATFORM=offscreen "$linux_build/bin/tst_package_contents" \
        installHoldsNoCodeIssuer > "$build/scan.log" 2>&1 \
        || { grep -v '^PASS' "$build/scan.log" >&2; fail "the program folder holds what issues or checks a security code"; }
}

wine_run() { "$root/scripts/wine-run.sh" --prefix "$build/wine" "$@"; }

# The installer, built by CPack with NSIS, checked under Wine in a prefix of its
# own: a silent install puts every file of the program folder under Program
# Files and a Start-menu entry in place, and the silent uninstall takes all of
# them away again, its registry entry included.
installer() {
    step "installer (NSIS)"
    rm -f "$build"/taldor-ip-utility-*-win64.exe
    (cd "$build" && cpack -G NSIS > "$build/nsis.log" 2>&1) \
        || { tail -n 30 "$build/nsis.log" >&2; fail "cpack -G NSIS (see $build/nsis.log)"; }
    local setup
    setup=$(ls "$build"/taldor-ip-utility-*-win64.exe)
    check_installer "$setup"
    echo "$setup"
}

check_installer() {
    local setup=$1 prefix=$build/wine-installer
    local target="$prefix/drive_c/Program Files/Taldor IP Utility"
    rm -rf "$prefix" "$prefix.lock"
    step "installing under Wine"
    "$root/scripts/wine-run.sh" --prefix "$prefix" --timeout 300 "$setup" /S || fail "the installer ended with an error"
    local file missing=0 count=0
    while IFS= read -r file; do
        count=$((count + 1))
        [ -f "$target/$file" ] || { echo "build-windows: not installed: $file" >&2; missing=1; }
    done < <(cd "$build/deploy" && find . -type f | sed 's|^\./||')
    [ "$missing" -eq 0 ] || fail "the installer left out files of the program folder"
    [ -f "$target/Uninstall.exe" ] || fail "no uninstaller in $target"
    local shortcut
    shortcut=$(find "$prefix/drive_c" -path '*Start Menu*' -name 'Taldor IP Utility.lnk' | head -n 1)
    [ -n "$shortcut" ] || fail "no Start-menu entry"
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -w
    grep -q 'Uninstall\\\\Taldor IP Utility' "$prefix/system.reg" || fail "no uninstall entry in the registry"
    step "installed $count files and the Start-menu entry; uninstalling"
    # The uninstaller runs from a copy of itself, so that it can delete itself:
    # the first process ends at once, and the copy is awaited by the files going.
    "$root/scripts/wine-run.sh" --prefix "$prefix" --timeout 120 "$target/Uninstall.exe" /S || fail "the uninstaller ended with an error"
    local waited
    for waited in $(seq 600); do
        [ -e "$target" ] || [ -e "$shortcut" ] || break
        sleep 0.1
    done
    WINEPREFIX=$prefix /usr/lib/wine/wineserver -w
    [ ! -e "$target" ] || { find "$target" >&2; fail "the uninstaller left files behind"; }
    [ ! -e "$shortcut" ] || fail "the uninstaller left the Start-menu entry"
    [ ! -e "$(dirname "$shortcut")" ] || fail "the uninstaller left the Start-menu folder"
    ! grep -q 'Uninstall\\\\Taldor IP Utility' "$prefix/system.reg" || fail "the uninstaller left its registry entry"
    step "installer checked: install and uninstall leave nothing behind"
}

# The Windows tests under Wine, through the emulator the configuration names;
# each test executable runs once.
run_tests() {
    step "tests under Wine"
    (cd "$build" && flock /tmp/taldor-build.lock ctest --output-on-failure --timeout 300 "$@") \
        | tee "$build/ctest.log"
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
            shown=0
            for _ in $(seq 600); do
                xwininfo -root -tree 2>/dev/null | grep -q "TaldorIPUtility\|Taldor IP" && { shown=1; break; }
                sleep 0.1
            done
            # No window, no picture: a black screen is not a screenshot.
            if [ "$shown" -eq 1 ]; then
                sleep 10
                xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$SHOT"
            fi
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
        installer) deploy; installer ;;
        test) shift; run_tests "$@" ;;
        screenshot) deploy; screenshot ;;
    esac
    step "done: $build/bin"
}

main "$@"
