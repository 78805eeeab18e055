#!/usr/bin/env bash
# Builds everything and runs every test: a normal build, then a build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the packet-parser fuzzers
# for a bounded time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTALDOR_SANITIZE=address,undefined -DTALDOR_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

if [ -x "$root/scripts/fuzz.sh" ]; then
    "$root/scripts/fuzz.sh"
fi
