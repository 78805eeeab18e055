#!/usr/bin/env bash
# ONVIF discovery of 1,000 simulated cameras (each answering a probe after a
# random delay of up to 500 ms, as real cameras do): our client (bench_onvif_discovery)
# against Debian's onvif-util -a, in the same run, at 0 % and 10 % loss of the
# cameras' probe matches. The cameras live in one network namespace, the two
# clients in another, joined by a veth pair: nothing reaches the host's adapters.
# Needs root, iproute2 and onvif-tools.
#
#   bench/onvif/run-onvif-bench.sh [BUILD_DIR] [RUNS] [CAMERAS]
#
# Prints, per loss: for each client the median and spread (min..max) of the
# time until the last camera was listed and of how many were found, and for
# ours the time until it had listed as many as onvif-util counted (onvif-util
# stops at 129 however many answer).
set -euo pipefail
build=${1:-build}
runs=${2:-5}
cameras=${3:-1000}
bin=$(cd "$build/bin" && pwd)
utility=taldor-bench-util-$$
cams=taldor-bench-cams-$$

cleanup() {
    [ -z "${sim:-}" ] || kill "$sim" 2>/dev/null || true
    wait 2>/dev/null || true
    ip netns del "$utility" 2>/dev/null || true
    ip netns del "$cams" 2>/dev/null || true
}
trap cleanup EXIT

ip netns add "$utility"
ip netns add "$cams"
ip link add ou0 netns "$utility" type veth peer name oc0 netns "$cams"
for side in "$utility ou0 10.97.0.1/24" "$cams oc0 10.97.0.2/24"; do
    set -- $side
    ip -n "$1" addr add "$3" dev "$2"
    ip -n "$1" link set "$2" up
    ip -n "$1" link set lo up
    ip -n "$1" route add default dev "$2"
done

# median and spread of a list of numbers
stats() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%s (%s..%s)", m, v[1], v[NR] }'; }

ms_now() { date +%s%3N; }

for loss in 0 0.1; do
    state=$(mktemp -d)
    ip netns exec "$cams" "$bin/lumo-devsim" --bind 10.97.0.2 --onvif-count "$cameras" --loss "$loss" \
        --onvif-reply-delay-ms 500 \
        --state "$state/fleet.json" --no-announce > "$state/sim.log" 2>&1 &
    sim=$!
    for _ in $(seq 300); do grep -q "ONVIF cameras" "$state/sim.log" && break; sleep 0.1; done
    ours_ms=(); ours_found=(); ours_compared_ms=(); util_ms=(); util_found=(); util_count=()
    for _ in $(seq "$runs"); do
        # onvif-util first, then ours, timed from its start until it had listed
        # as many cameras as onvif-util reported in the same run.
        began=$(ms_now)
        out=$(ip netns exec "$utility" onvif-util -a < /dev/null 2>&1 || true)
        util_ms+=("$(( $(ms_now) - began ))")
        # onvif-util's own count ("Found N cameras") counts a repeated reply
        # twice, and it lists names only for the cameras it could read, so the
        # cameras it found are counted by the distinct names it printed, and its
        # own count is shown beside.
        util_found+=("$( (echo "$out" | grep -oE '10\.97\.0\.2 \([^)]*\)' || true) | sort -u | wc -l)")
        count=$(echo "$out" | sed -n -E 's/^Found ([0-9]+) cameras.*/\1/p' | tail -n 1)
        util_count+=("${count:-0}")
        sleep 1
        line=$(ONVIF_INTERFACES=ou0 ONVIF_TARGETS= ip netns exec "$utility" "$bin/bench_onvif_discovery" \
            "$cameras" "${count:-1}" || true)
        ours_found+=("$(echo "$line" | awk '{print $2}')")
        ours_ms+=("$(echo "$line" | awk '{print $4}')")
        ours_compared_ms+=("$(echo "$line" | awk '{print $8}')")
        sleep 1
    done
    kill "$sim"; wait "$sim" 2>/dev/null || true; sim=""
    rm -rf "$state"
    printf 'loss %s, %s cameras, %s runs\n' "$loss" "$cameras" "$runs"
    printf '  ours:       last listed after %s ms, found %s; as many as onvif-util counted after %s ms\n' \
        "$(printf '%s\n' "${ours_ms[@]}" | stats)" "$(printf '%s\n' "${ours_found[@]}" | stats)" \
        "$(printf '%s\n' "${ours_compared_ms[@]}" | stats)"
    printf '  onvif-util: listing done after %s ms, listed %s, its own count %s\n' \
        "$(printf '%s\n' "${util_ms[@]}" | stats)" "$(printf '%s\n' "${util_found[@]}" | stats)" \
        "$(printf '%s\n' "${util_count[@]}" | stats)"
done
