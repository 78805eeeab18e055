#!/usr/bin/env bash
# Builds everything and runs every test: a normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the packet-parser fuzzers
# for a bounded time. Ends with one line that counts what passed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"

jobs=$(nproc)
passed=0
log=$(mktemp)
trap 'rm -f "$log"' EXIT

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

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
run_ctest build

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALDOR_SANITIZE=address,undefined -DTALDOR_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
run_ctest build-asan

if [ -x "$root/scripts/fuzz.sh" ]; then
    "$root/scripts/fuzz.sh"
    # fuzz.sh fails on the first crash, so every fuzzer that left a log passed.
    passed=$((passed + $(find build-fuzz -maxdepth 1 -name 'fuzz-*.log' | wc -l)))
fi

# The discovery library, simulator and code tool built for Windows and run under Wine.
if [ -x "$root/scripts/windows-check.sh" ]; then
    "$root/scripts/windows-check.sh"
    passed=$((passed + $(cat build-windows/checks-passed)))
fi

# The whole program for 64-bit Windows, against Qt for Windows built from Debian's
# source (once per machine, cached outside the checkout): its installer is
# checked under Wine, then every test executable runs under Wine.
if [ -x "$root/scripts/build-windows.sh" ]; then
    "$root/scripts/build-windows.sh" installer
    passed=$((passed + 1))
    "$root/scripts/build-windows.sh" test
    count_ctest_log build-winqt/ctest.log
fi

echo "tests: $passed passed, 0 failed"
