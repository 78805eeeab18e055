#!/usr/bin/env bash
# Builds the utility and runs it, with a demo fleet of simulated devices beside it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
"$root/scripts/install-deps.sh"

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)"

sim_pid=""
if [ -x build/bin/lumo-devsim ]; then
    state_dir="${XDG_DATA_HOME:-$HOME/.local/share}/taldor-ip-utility"
    mkdir -p "$state_dir"
    build/bin/lumo-devsim --demo --state "$state_dir/demo-fleet.json" &
    sim_pid=$!
    trap '[ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; wait 2>/dev/null || true' EXIT
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/TaldorIPUtility
else
    build/bin/TaldorIPUtility
fi
