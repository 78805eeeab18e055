#!/usr/bin/env bash
# Screenshots of the utility with the demo fleet listed, in English and
# Chinese, with the Help menu open and the About box, and in the dark skin,
# taken on a virtual X server. Written to build/screenshots/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build}
cmake --build "$build" --target shell_screenshots lumo-devsim Lumo DarkSkin

state=$(mktemp -d)
trap 'kill "$sim_pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$state"' EXIT
"$build/bin/lumo-devsim" --demo --state "$state/fleet.json" &
sim_pid=$!

# The discovery library stays on this machine.
export LUMO_INTERFACES=none LUMO_TARGETS=127.0.0.1
for language in en zh; do
    xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/shell_screenshots" "$language" "$root/$build/screenshots"
done
# The dark skin plugin.
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/shell_screenshots" en "$root/$build/screenshots" dark
