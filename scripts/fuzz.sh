#!/usr/bin/env bash
# Builds the packet-parser fuzzers and the ONVIF envelope fuzzer with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz/ and runs each for a bounded time
# (LUMO_FUZZ_SECONDS, default 20). Exits non-zero when a fuzzer finds a crash.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${LUMO_FUZZ_SECONDS:-20}
parsers="Header Inquiry Answer Ack Goodbye ChallengeRequest Challenge Modify Reset Result"

if ! command -v clang++ >/dev/null; then
    echo "fuzz.sh: clang++ not found; install clang (scripts/packages.txt)" >&2
    exit 1
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DLUMO_FUZZ=ON -DTALDOR_BUILD_GUI=OFF -DTALDOR_BUILD_TESTS=OFF -DTALDOR_BUILD_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined"
targets="lumo-fuzz-seeds fuzz-onvif-Envelope"
for p in $parsers; do targets="$targets fuzz-lumo-$p"; done
# shellcheck disable=SC2086
cmake --build build-fuzz --target $targets

seeds=build-fuzz/fuzz-seeds
rm -rf "$seeds" && mkdir -p "$seeds"
build-fuzz/bin/lumo-fuzz-seeds "$seeds"

# Runs one fuzzer for the bounded time on its own corpus and the seeds; a crash
# fails the run and shows the end of its log.
status=0
run_fuzzer() {
    local name=$1 program=$2 max_len=$3 seed_dir=$4
    local corpus="build-fuzz/corpus/$name" log="build-fuzz/fuzz-$name.log"
    mkdir -p "$corpus"
    echo "fuzz.sh: $program for ${seconds}s"
    if ! "build-fuzz/bin/$program" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
            -artifact_prefix="build-fuzz/crash-$name-" -print_final_stats=1 "$corpus" "$seed_dir" \
            > "$log" 2>&1; then
        echo "fuzz.sh: $program FAILED; see $log" >&2
        tail -30 "$log" >&2
        status=1
    else
        grep -E "stat::number_of_executed_units" "$log" || true
    fi
}

for p in $parsers; do
    run_fuzzer "$p" "fuzz-lumo-$p" 1500 "$seeds"
done
# The ONVIF envelope parser, seeded with the captured replies of its tests.
run_fuzzer OnvifEnvelope fuzz-onvif-Envelope 16384 tests/onvif/data
exit $status
