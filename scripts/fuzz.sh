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

status=0
for p in $parsers; do
    corpus="build-fuzz/corpus/$p"
    mkdir -p "$corpus"
    echo "fuzz.sh: fuzz-lumo-$p for ${seconds}s"
    if ! build-fuzz/bin/fuzz-lumo-$p -max_total_time="$seconds" -max_len=1500 -timeout=10 \
            -artifact_prefix="build-fuzz/crash-$p-" -print_final_stats=1 "$corpus" "$seeds" \
            > "build-fuzz/fuzz-$p.log" 2>&1; then
        echo "fuzz.sh: fuzz-lumo-$p FAILED; see build-fuzz/fuzz-$p.log" >&2
        tail -30 "build-fuzz/fuzz-$p.log" >&2
        status=1
    else
        grep -E "stat::number_of_executed_units" "build-fuzz/fuzz-$p.log" || true
    fi
done

# The ONVIF envelope parser, seeded with the captured replies of its tests.
corpus="build-fuzz/corpus/OnvifEnvelope"
mkdir -p "$corpus"
echo "fuzz.sh: fuzz-onvif-Envelope for ${seconds}s"
if ! build-fuzz/bin/fuzz-onvif-Envelope -max_total_time="$seconds" -max_len=16384 -timeout=10 \
        -artifact_prefix="build-fuzz/crash-OnvifEnvelope-" -print_final_stats=1 "$corpus" tests/onvif/data \
        > "build-fuzz/fuzz-OnvifEnvelope.log" 2>&1; then
    echo "fuzz.sh: fuzz-onvif-Envelope FAILED; see build-fuzz/fuzz-OnvifEnvelope.log" >&2
    tail -30 "build-fuzz/fuzz-OnvifEnvelope.log" >&2
    status=1
else
    grep -E "stat::number_of_executed_units" "build-fuzz/fuzz-OnvifEnvelope.log" || true
fi
exit $status
