#!/usr/bin/env bash
# Runs the commands README.md and docs/taldor-ip.1 give, as a reader would type
# them, in a fresh clone of this checkout (its committed state), and checks
# what each one does.
#
#   scripts/check-commands.sh              the cheap ones, a few minutes: run.sh (started on
#                                          a virtual X server, then stopped), the taldor-ip
#                                          examples against the demo fleet, cmake --install,
#                                          cpack -G DEB with the packages' contents
#   scripts/check-commands.sh --expensive  also the Windows ones, in the order the README
#                                          gives them: build-windows.sh installer, deploy,
#                                          screenshot and test, windows-check.sh, screenshots.sh
#                                          (each builds in the clone; an hour or more)
#   scripts/check-commands.sh --keep       keep the clone and logs (printed at the end)
#
# The Linux build tree is this checkout's build/ (test.sh or run.sh builds it),
# linked into the clone, so nothing is built twice; it is configured first when
# it is missing. Discovery stays on this machine: LUMO_INTERFACES=none and
# LUMO_TARGETS=127.0.0.1, simulators on 127.0.0.1 with broadcasts to
# 127.255.255.255. Every command's output goes to a log; a failure shows its tail.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
expensive=0
keep=0
for argument in "$@"; do
    case "$argument" in
        --expensive) expensive=1 ;;
        --keep) keep=1 ;;
        -h|--help) sed -n '2,21p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
        *) echo "check-commands: unknown option $argument (see --help)" >&2; exit 2 ;;
    esac
done

work=$(mktemp -d /tmp/check-commands.XXXXXX)
clone=$work/clone
logs=$work/logs
mkdir -p "$logs"
began=$SECONDS
checked=0
sim_pid=""
cleanup() {
    [ -z "$sim_pid" ] || { kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null || true; }
    if [ "$keep" -eq 1 ]; then echo "check-commands: kept $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

say() { echo "check-commands: $* ($((SECONDS - began)) s)"; }
fail() {
    echo "check-commands: FAILED: $1" >&2
    [ -z "${2:-}" ] || { echo "--- last lines of $2:" >&2; tail -n 40 "$2" >&2; }
    exit 1
}
ok() { checked=$((checked + 1)); say "ok: $*"; }

# run NAME COMMAND...: runs a documented command in the clone, its output in logs/NAME.log.
run() {
    local name=$1
    shift
    (cd "$clone" && "$@") > "$logs/$name.log" 2>&1 || fail "$* (exit $?)" "$logs/$name.log"
}

# The documented taldor-ip call, confined to the loopback and to this run's ports.
taldor_ip() {
    LUMO_INTERFACES=none LUMO_TARGETS=127.0.0.1 LUMO_DEVICE_PORT=$device_port LUMO_CLIENT_PORT=$client_port \
        "$@"
}

# README: taldor-ip list --format csv > found.csv (run in the clone).
list_into_found_csv() {
    taldor_ip build/bin/taldor-ip list --format csv > found.csv
}

clone_checkout() {
    [ -z "$(git -C "$root" status --porcelain --untracked-files=no)" ] \
        || echo "check-commands: the checkout has uncommitted changes; the clone holds its last commit" >&2
    git clone --quiet "$root" "$clone"
    if [ ! -f "$root/build/build.ninja" ]; then
        say "configuring $root/build"
        cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > "$logs/configure.log" 2>&1 \
            || fail "configuring $root/build" "$logs/configure.log"
    fi
    ln -s "$root/build" "$clone/build"
    # What the commands below use besides what run.sh builds (nothing to do after test.sh).
    flock /tmp/taldor-build.lock cmake --build "$root/build" \
        --target TaldorIPUtility Lumo DarkSkin lumo-devsim lumo-seccode taldor-ip tst_package_contents \
        > "$logs/build.log" 2>&1 || fail "building the programs in $root/build" "$logs/build.log"
    say "clone of $(git -C "$clone" rev-parse --short HEAD) in $clone, build tree $root/build"
}

# README: ./scripts/run.sh builds the utility and starts it with the demo fleet.
# Started on a virtual X server: the window must appear, the utility must run
# confined to the loopback and the simulator listen there only; then stopped.
check_run_script() {
    # The demo fleet's state, the settings and the single-instance lock of this run's own.
    export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/runtime
    mkdir -m 700 -p "$XDG_RUNTIME_DIR"
    local log=$logs/run.log
    say "run.sh (brings $root/build up to date first)"
    CLONE=$clone LOG=$log LOGS=$logs timeout 1800 xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
        cd "$CLONE" || exit 1
        ./scripts/run.sh > "$LOG" 2>&1 & runner=$!
        utility="" sim=""
        for _ in $(seq 18000); do
            kill -0 $runner 2>/dev/null || { echo "run.sh ended early" > "$LOGS/run-check.log"; exit 1; }
            utility=$(pgrep -P $runner -x TaldorIPUtility || true)
            sim=$(pgrep -P $runner -x lumo-devsim || true)
            if [ -n "$utility" ] && xwininfo -root -tree 2>/dev/null | grep -q "TaldorIPUtility\|Taldor IP"; then break; fi
            utility=""
            sleep 0.1
        done
        [ -n "$utility" ] && [ -n "$sim" ] || { echo "no window or no simulator" > "$LOGS/run-check.log"; exit 1; }
        sleep 3
        {
            echo "utility $utility environment:"; tr "\0" "\n" < /proc/$utility/environ | grep "^LUMO_" || true
            echo "simulator $sim sockets:"; ss -H -u -a -n -p | grep "pid=$sim," || true
        } > "$LOGS/run-check.log"
        kill $utility
        wait $runner
        kill -0 $sim 2>/dev/null && { echo "simulator $sim still runs" >> "$LOGS/run-check.log"; kill $sim; exit 1; }
        exit 0' || fail "run.sh: $(cat "$logs/run-check.log" 2>/dev/null | head -n 1)" "$log"
    unset XDG_DATA_HOME XDG_CONFIG_HOME XDG_RUNTIME_DIR
    local check=$logs/run-check.log
    grep -qx "LUMO_INTERFACES=none" "$check" && grep -qx "LUMO_TARGETS=127.0.0.1" "$check" \
        || fail "run.sh started the utility without the loopback confinement" "$check"
    grep -q "127\.0\.0\.1:" "$check" || fail "run.sh: the simulator has no socket on 127.0.0.1" "$check"
    ! awk '/sockets:/{s=1; next} s {print $4}' "$check" | grep -v -E '^127\.' \
        || fail "run.sh: the simulator listens beyond the loopback" "$check"
    [ -s "$work/data/taldor-ip-utility/demo-fleet.json" ] || fail "run.sh: no demo fleet state file" "$log"
    ok "./scripts/run.sh: window shown, loopback only, stopped with the fleet saved"
}

start_simulator() {
    local attempt
    for attempt in 1 2 3 4 5; do
        device_port=$((20000 + RANDOM % 20000))
        client_port=$((device_port + 1))
        "$clone/build/bin/lumo-devsim" --demo --state "$work/fleet.json" --bind 127.0.0.1 \
            --broadcast-address 127.255.255.255 --port "$device_port" --client-port "$client_port" \
            > "$logs/devsim.log" 2>&1 &
        sim_pid=$!
        # Up once it answers a list; a taken port ends it at once.
        local waited
        for waited in $(seq 50); do
            kill -0 "$sim_pid" 2>/dev/null || break
            taldor_ip "$clone/build/bin/taldor-ip" list --wait 1 --format csv 2>/dev/null | grep -q TL0013631489 \
                && return 0
        done
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
        sim_pid=""
    done
    fail "the demo simulator did not start on the loopback" "$logs/devsim.log"
}

# README and docs/taldor-ip.1: the site plan example against the demo fleet.
check_taldor_ip() {
    start_simulator
    say "taldor-ip against the demo fleet on 127.0.0.1:$device_port"
    local tool=build/bin/taldor-ip command
    run help taldor_ip $tool --help
    for command in list set apply reset; do
        run "help-$command" taldor_ip $tool "$command" --help
    done
    ok "taldor-ip --help and taldor-ip COMMAND --help"
    run man-page bash -c 'MANWIDTH=80 man --warnings -l docs/taldor-ip.1 > /dev/null'
    ! grep -q . "$logs/man-page.log" || fail "man -l docs/taldor-ip.1 warns" "$logs/man-page.log"
    ok "man -l docs/taldor-ip.1"

    run list taldor_ip $tool list
    run list-csv list_into_found_csv
    head -n 1 "$clone/found.csv" | grep -q -i "serial" || fail "list --format csv: no header row" "$clone/found.csv"
    grep -q TL0013631489 "$clone/found.csv" || fail "list --format csv: TL0013631489 missing" "$clone/found.csv"
    run list-json taldor_ip $tool list --format json
    grep -q '"TL0013631489"' "$logs/list-json.log" || fail "list --format json: TL0013631489 missing" "$logs/list-json.log"
    ok "taldor-ip list, list --format csv > found.csv ($(($(wc -l < "$clone/found.csv") - 1)) devices), --format json"

    # The plan of the README, in its words.
    sed -n '/^    serial,ip,mask,gateway$/,/^$/p' "$clone/README.md" | sed 's/^    //; /^$/d' > "$clone/site.csv"
    [ "$(wc -l < "$clone/site.csv")" -ge 3 ] || fail "no site.csv example in README.md" "$clone/site.csv"
    # Asked for the password (it reads the ONVIF devices), given it as an installer would.
    TALDOR_PASSWORD=demo1234 run apply-dry-run taldor_ip $tool apply site.csv --dry-run
    # The manual page's plan too.
    sed -n '/^serial,ip,mask,gateway$/,/^\.RE$/p' "$clone/docs/taldor-ip.1" | sed '/^\./d' > "$clone/site-man.csv"
    [ "$(wc -l < "$clone/site-man.csv")" -ge 2 ] || fail "no plan example in docs/taldor-ip.1" "$clone/site-man.csv"
    TALDOR_PASSWORD=demo1234 run apply-dry-run-man taldor_ip $tool apply site-man.csv --dry-run
    TALDOR_PASSWORD=demo1234 run apply taldor_ip $tool apply site.csv
    run list-applied taldor_ip $tool list --format csv
    local serial ip
    while IFS=, read -r serial ip _; do
        [ "$serial" = serial ] && continue
        grep -q "$serial.*$ip\|$ip.*$serial" "$logs/list-applied.log" \
            || fail "apply site.csv: $serial does not have $ip" "$logs/list-applied.log"
    done < "$clone/site.csv"
    ok "taldor-ip apply site.csv --dry-run, then apply: every device has its planned address"

    TALDOR_PASSWORD=demo1234 run set taldor_ip $tool set TL0013631500 --ip 10.1.0.14 --mask 255.255.255.0 \
        --gateway 10.1.0.1
    ok "taldor-ip set TL0013631500 --ip 10.1.0.14"

    # README: build/bin/lumo-seccode SERIAL prints today's code; reset restores the
    # default password admin, proved by a change made with it.
    local code
    code=$(cd "$clone" && build/bin/lumo-seccode TL0013631500) || fail "build/bin/lumo-seccode TL0013631500"
    TALDOR_CODE=$code run reset taldor_ip $tool reset TL0013631500
    TALDOR_PASSWORD=admin run set-admin taldor_ip $tool set TL0013631500 --ip 10.1.0.24
    ok "lumo-seccode TL0013631500, TALDOR_CODE=$code taldor-ip reset TL0013631500; the password is admin"

    # README: the ONVIF listing, against the demo fleet's cameras on the loopback:
    # without the password what discovery gave, with it what the cameras tell.
    # (Its set example names a site's address; moving the demo's cameras off
    # the loopback is left to the tests in network namespaces.)
    run list-onvif taldor_ip $tool list --protocol onvif --format json
    grep -q '"urn:uuid:5a1e0c7d-2b4f-4e6a-9c3d-02414fd00001"' "$logs/list-onvif.log" \
        && grep -q '"credentials needed"' "$logs/list-onvif.log" \
        || fail "list --protocol onvif: the demo camera missing, or read without a password" "$logs/list-onvif.log"
    ! grep -q '"protocol": *"lumo"' "$logs/list-onvif.log" || fail "list --protocol onvif lists K-VNT devices" "$logs/list-onvif.log"
    TALDOR_PASSWORD=demo1234 run list-onvif-read taldor_ip $tool list --protocol onvif
    [ "$(grep -c -E '(AO00136314(89|90|91)|TL0013631489) .* onvif +(Aurel Optics|Taldor) +read$' "$logs/list-onvif-read.log")" -eq 4 ] \
        || fail "TALDOR_PASSWORD=demo1234 taldor-ip list --protocol onvif: not the four cameras of the README" \
            "$logs/list-onvif-read.log"
    ok "taldor-ip list --protocol onvif --format json, and with the password the README's four cameras"

    run devsim-help build/bin/lumo-devsim --help
    ok "build/bin/lumo-devsim --help"
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
    sim_pid=""
}

# README: cmake --install build --prefix /usr/local, or with DESTDIR and --prefix /usr.
check_install() {
    say "cmake --install"
    local stage=$work/stage local=$work/local app
    run install-destdir env DESTDIR="$stage" cmake --install build --prefix /usr
    app=$stage/usr/lib/taldor-ip-utility
    for file in TaldorIPUtility taldor-ip liblumo.so Setup.xml translations/Taldor_zh.qm plugins/skins/libDarkSkin.so \
        manual/en/index.html; do
        [ -e "$app/$file" ] || fail "DESTDIR install: no $file in usr/lib/taldor-ip-utility" "$logs/install-destdir.log"
    done
    [ "$(readlink "$stage/usr/bin/taldor-ip-utility")" = ../lib/taldor-ip-utility/TaldorIPUtility ] \
        || fail "DESTDIR install: usr/bin/taldor-ip-utility does not start the program" "$logs/install-destdir.log"
    [ -f "$stage/usr/share/man/man1/taldor-ip.1" ] || fail "DESTDIR install: no man page" "$logs/install-destdir.log"
    for file in lumo-devsim lumo-seccode; do
        [ ! -e "$app/$file" ] || fail "DESTDIR install: $file in the program folder" "$logs/install-destdir.log"
        [ -x "$stage/usr/lib/taldor-ip-utility-demo/$file" ] || fail "DESTDIR install: no demo $file" "$logs/install-destdir.log"
    done
    ok "DESTDIR=... cmake --install build --prefix /usr"
    # The other form, into a prefix of this run's own in place of /usr/local.
    run install-prefix cmake --install build --prefix "$local"
    run installed-taldor-ip "$local/bin/taldor-ip" --help
    ok "cmake --install build --prefix PREFIX; PREFIX/bin/taldor-ip runs"
}

# README: (cd build && cpack -G DEB) gives the program's package and the demo package.
check_packages() {
    say "cpack -G DEB"
    rm -f "$root"/build/taldor-ip-utility*_*.deb
    run cpack bash -c 'cd build && cpack -G DEB'
    local version program demo
    version=$(sed -n -E 's/^project\(TaldorIpUtility VERSION ([0-9.]+).*/\1/p' "$clone/CMakeLists.txt")
    program=$root/build/taldor-ip-utility_${version}_amd64.deb
    demo=$root/build/taldor-ip-utility-demo_${version}_amd64.deb
    [ -f "$program" ] && [ -f "$demo" ] || fail "cpack -G DEB made no taldor-ip-utility and -demo packages" "$logs/cpack.log"
    local deb
    for deb in "$program" "$demo"; do
        echo "--- $(basename "$deb"): $(dpkg-deb -f "$deb" Package) $(dpkg-deb -f "$deb" Version)"
        dpkg-deb -c "$deb" | grep -v '^d' | sed -E 's/^([^ ]+ +){5}\./    /'
    done
    dpkg-deb -x "$program" "$work/deb-program"
    dpkg-deb -x "$demo" "$work/deb-demo"
    TALDOR_SCANNED_DIRS=$work/deb-program QT_QPA_PLATFORM=offscreen "$root/build/bin/tst_package_contents" \
        installHoldsNoCodeIssuer > "$logs/scan-deb.log" 2>&1 \
        || fail "the program's package holds what issues or checks a security code" "$logs/scan-deb.log"
    [ "$(cd "$work/deb-demo" && find . -type f | sort | tr '\n' ' ')" \
        = "./usr/lib/taldor-ip-utility-demo/lumo-devsim ./usr/lib/taldor-ip-utility-demo/lumo-seccode " ] \
        || fail "the demo package holds more or less than lumo-devsim and lumo-seccode"
    ok "(cd build && cpack -G DEB): the program's package holds no issuing key or code, the demo package the two demo programs"
}

# README: ./scripts/build-windows.sh installer on a machine where libsodium for
# Windows is not built yet runs scripts/windows-check.sh first, from within
# $(windows_prefix): none of the check's progress may end up in the captured
# prefix. Checked on the clone's own windows_prefix with a stand-in for the
# check (the real one takes minutes; --expensive runs it) that prints as it does.
check_windows_prefix() {
    local fake=$work/prefix-check prefix
    mkdir -p "$fake/scripts"
    cp "$clone/scripts/build-windows.sh" "$fake/scripts/"
    cat > "$fake/scripts/windows-check.sh" <<'STANDIN'
#!/usr/bin/env bash
echo "== windows-check: libsodium for Windows"
mkdir -p "$TALDOR_WINDOWS_BUILD/x86_64/prefix"
touch "$TALDOR_WINDOWS_BUILD/x86_64/prefix/.built-from-stand-in"
echo "windows-check: done"
STANDIN
    chmod +x "$fake/scripts/windows-check.sh"
    prefix=$(env -u TALDOR_WINDOWS_BUILD bash -c 'source <(sed "/^main \"\$@\"\$/d" "$0"); windows_prefix' \
        "$fake/scripts/build-windows.sh" 2> "$logs/windows-prefix.log") \
        || fail "build-windows.sh: windows_prefix failed" "$logs/windows-prefix.log"
    [ "$prefix" = "$fake/build-windows/x86_64/prefix" ] \
        || { printf 'captured:\n%s\n' "$prefix" >> "$logs/windows-prefix.log"
             fail "build-windows.sh: the prefix captured after windows-check.sh is not the prefix alone" \
                 "$logs/windows-prefix.log"; }
    ok "build-windows.sh without libsodium for Windows: windows-check.sh runs, its progress stays out of the prefix"
}

# The Windows commands, in the order the README gives them, each in the clone:
# the first one meets a machine without libsodium for Windows, as a newcomer's does.
check_windows() {
    local command
    for command in "build-windows.sh installer" "build-windows.sh deploy" "build-windows.sh screenshot" \
        "build-windows.sh test" "windows-check.sh" "screenshots.sh"; do
        say "./scripts/$command"
        # shellcheck disable=SC2086
        run "${command// /-}" ./scripts/$command
        ok "./scripts/$command"
    done
    TALDOR_SCANNED_DIRS=$clone/build-winqt/deploy QT_QPA_PLATFORM=offscreen "$root/build/bin/tst_package_contents" \
        installHoldsNoCodeIssuer > "$logs/scan-windows.log" 2>&1 \
        || fail "the Windows program folder holds what issues or checks a security code" "$logs/scan-windows.log"
    unzip -l "$clone"/build-winqt/taldor-ip-utility-*-win64.zip > "$logs/zip.log"
    ! grep -q -E 'lumo-(devsim|seccode)' "$logs/zip.log" || fail "the Windows zip holds a demo program" "$logs/zip.log"
    ok "the Windows program folder and zip hold no issuing key, code or demo program"
}

clone_checkout
check_run_script
check_taldor_ip
check_install
check_packages
check_windows_prefix
[ "$expensive" -eq 0 ] || check_windows
say "all $checked documented commands did what the README and manual page say"
