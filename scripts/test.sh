#!/usr/bin/env bash
# Builds everything and runs every test: a normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the packet-parser fuzzers
# for a bounded time, then the library and the whole program for Windows under
# Wine. Prints each stage's time and ends with one line that counts what passed.
#
# Qt for Windows, when the machine has not built it yet, is built in the
# background from the start at the lowest priority: it takes the cores the test
# runs leave idle, and the Windows stages wait for it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"

jobs=$(nproc)
passed=0
began=$SECONDS
stage_began=$SECONDS
stage_name=""
stage_times=()
log=$(mktemp)
qt_log=$(mktemp)
qt_job=""
# On the way out: the background Qt build ends with all its compilers (it runs
# in a process group of its own), and a failed run still shows where its time went.
on_exit() {
    local status=$?
    rm -f "$log" "$qt_log"
    [ -z "$qt_job" ] || kill -- "-$qt_job" 2>/dev/null || kill "$qt_job" 2>/dev/null || true
    if [ "$status" -ne 0 ] && [ -n "$stage_name" ]; then
        echo "== test.sh: failed in stage \"$stage_name\""
        print_stage_times
    fi
}
trap on_exit EXIT

# Ends the running stage (its time goes to the summary) and begins the next.
stage() {
    if [ -n "$stage_name" ]; then
        stage_times+=("$(printf '%6d s  %s' $((SECONDS - stage_began)) "$stage_name")")
    fi
    stage_name=$1
    stage_began=$SECONDS
    [ -z "$stage_name" ] || echo "== test.sh: $stage_name (at $((SECONDS - began)) s)"
}

print_stage_times() {
    stage ""
    echo "== test.sh: stage times"
    printf '%s\n' "${stage_times[@]}"
    printf '%6d s  total\n' $((SECONDS - began))
}

# Adds the number of tests a ctest log says were run (all passed, or the run failed).
count_ctest_log() {
    local total
    total=$(sed -n -E 's/.* tests failed out of ([0-9]+).*/\1/p' "$1" | tail -n 1)
    passed=$((passed + ${total:-0}))
}

run_ctest() {
    ctest --test-dir "$1" --output-on-failure -j "$jobs" 2>&1 | tee "$log"
    count_ctest_log "$log"
}

start_qt_for_windows() {
    [ -x "$root/scripts/build-windows.sh" ] || return 0
    "$root/scripts/build-qt-windows.sh" --print-prefix > /dev/null 2>&1 && return 0
    echo "== test.sh: Qt for Windows is not cached; building it in the background (log $qt_log)"
    setsid "$root/scripts/build-qt-windows.sh" > "$qt_log" 2>&1 &
    qt_job=$!
}

wait_for_qt_for_windows() {
    [ -n "$qt_job" ] || return 0
    if ! wait "$qt_job"; then
        qt_job=""
        tail -n 40 "$qt_log" >&2
        echo "test.sh: building Qt for Windows failed" >&2
        exit 1
    fi
    qt_job=""
    grep '^== build-qt-windows' "$qt_log" | tail -n 3
}

start_qt_for_windows

stage "normal build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
stage "normal tests"
run_ctest build

stage "sanitizer build"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALDOR_SANITIZE=address,undefined -DTALDOR_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
stage "sanitizer tests"
run_ctest build-asan

if [ -x "$root/scripts/fuzz.sh" ]; then
    stage "fuzzers"
    "$root/scripts/fuzz.sh"
    # fuzz.sh fails on the first crash, so every fuzzer that left a log passed.
    passed=$((passed + $(find build-fuzz -maxdepth 1 -name 'fuzz-*.log' | wc -l)))
fi

# The whole program for 64-bit Windows, against Qt for Windows built from Debian's
# source (once per machine, cached outside the checkout), in the order a newcomer
# meets the commands: the installer first (it builds libsodium for Windows through
# the library check when the folder has none yet), checked under Wine; then the
# library check itself; then every test executable under Wine.
if [ -x "$root/scripts/build-windows.sh" ]; then
    stage "waiting for Qt for Windows"
    wait_for_qt_for_windows
    stage "program and installer for Windows"
    "$root/scripts/build-windows.sh" installer
    passed=$((passed + 1))
fi

# The discovery library, simulator and code tool built for Windows and run under
# Wine, unless the installer's build has just run the check for its libsodium.
if [ -x "$root/scripts/windows-check.sh" ]; then
    stage "library for Windows"
    if [ ! -f build-windows/checks-passed ] || [ build-windows/checks-passed -ot "$log" ]; then
        "$root/scripts/windows-check.sh"
    fi
    passed=$((passed + $(cat build-windows/checks-passed)))
fi

if [ -x "$root/scripts/build-windows.sh" ]; then
    stage "tests under Wine"
    "$root/scripts/build-windows.sh" test
    count_ctest_log build-winqt/ctest.log
fi

print_stage_times
echo "tests: $passed passed, 0 failed"
