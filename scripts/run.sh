#!/usr/bin/env bash
# Builds the utility and runs it, with a demo fleet of simulated devices beside it.
#
#   scripts/run.sh             discovery stays on this machine: the demo fleet on the
#                              loopback, no inquiry broadcast out of any adapter
#   scripts/run.sh --network   the utility also searches the real network, out of
#                              every adapter that is up (the demo fleet stays on
#                              the loopback)
#
# The build tree is build/: configured on the first run, then only brought up
# to date (cmake --build configures again itself when the build files change).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

network=0
for argument in "$@"; do
    case "$argument" in
        --network) network=1 ;;
        -h|--help) sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "run.sh: unknown option $argument (see --help)" >&2; exit 2 ;;
    esac
done

"$root/scripts/install-deps.sh"

[ -f build/build.ninja ] || cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
# The program, what it loads at run time and the simulator, not the tests; one
# build at a time on this machine (the Windows build takes the same lock).
flock /tmp/taldor-build.lock cmake --build build -j "$(nproc)" --target TaldorIPUtility Lumo DarkSkin lumo-devsim

if [ "$network" -eq 0 ]; then
    export LUMO_INTERFACES=none LUMO_TARGETS=127.0.0.1
fi

sim_pid=""
if [ -x build/bin/lumo-devsim ]; then
    state_dir="${XDG_DATA_HOME:-$HOME/.local/share}/taldor-ip-utility"
    mkdir -p "$state_dir"
    build/bin/lumo-devsim --demo --bind 127.0.0.1 --broadcast-address 127.255.255.255 \
        --state "$state_dir/demo-fleet.json" &
    sim_pid=$!
    trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/TaldorIPUtility
else
    build/bin/TaldorIPUtility
fi
