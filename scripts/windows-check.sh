#!/usr/bin/env bash
# Builds the discovery library (Lumo.dll), the simulator (lumo-devsim.exe), the
# security-code tool (lumo-seccode.exe) and a C host program (lumo-dll-check.exe)
# for 64-bit and 32-bit Windows with Debian's MinGW-w64, then checks:
#   - no program or DLL needs a MinGW runtime DLL beside it;
#   - Lumo.dll exports every function its header declares under the name a
#     compiler using the header links against (standard-call decorated on 32-bit,
#     plain on 64-bit) and under the plain name GetProcAddress callers use;
#   - the simulator is built with its ONVIF cameras;
#   - under Wine (64-bit only; Debian's 32-bit Wine is not installable here): the
#     simulator with a small fleet and two ONVIF cameras on the loopback, each
#     camera answering over HTTP, and lumo-dll-check finding every device once,
#     re-addressing one and restoring its default password with a code from
#     lumo-seccode.exe; the library's adapter list as Wine shows it.
# The libraries for Windows (libsodium; nettle, pugixml and cpp-httplib for the
# ONVIF cameras) are built once from Debian's source packages and kept in the
# build folder ($TALDOR_WINDOWS_BUILD, by default build-windows/).
#   scripts/windows-check.sh             build and check as above
#   scripts/windows-check.sh prefix [ARCH...]   only build the libraries for
#                                        Windows (by default for x86_64)
# No packet leaves the machine: the library gets LUMO_INTERFACES=none and a
# loopback target, the simulator binds 127.0.0.1 and broadcasts on the loopback.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/debian-sources.sh
. "$root/scripts/debian-sources.sh"
out=${TALDOR_WINDOWS_BUILD:-$root/build-windows}
jobs=$(nproc)
arches=(x86_64 i686)
fleet_size=6
checks=0
began=$SECONDS
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver

fail() { echo "windows-check: FAILED: $*" >&2; exit 1; }
step() { echo "== windows-check: $* ($((SECONDS - began)) s)"; }
passed() { checks=$((checks + 1)); echo "   ok: $*"; }

require_tools() {
    local tool
    for tool in x86_64-w64-mingw32-gcc-posix i686-w64-mingw32-g++-posix x86_64-w64-mingw32-objdump \
                i686-w64-mingw32-nm autoreconf libtoolize dpkg-source apt-get cmake ninja pkg-config "$wine"; do
        command -v "$tool" >/dev/null \
            || fail "$tool is missing; install the packages of scripts/packages.txt (scripts/install-deps.sh)"
    done
    [ -f /usr/include/asio.hpp ] && [ -f /usr/include/nlohmann/json.hpp ] \
        || fail "the Asio or nlohmann-json headers are missing (libasio-dev, nlohmann-json3-dev)"
}


# Debian's source of a package with its patches applied, unpacked under
# $out/PACKAGE in a private apt state so the machine's apt configuration stays
# as it is; the command after the package's name, if any, is run in the source
# folder once it is unpacked.
debian_source() {
    local package=$1
    shift
    local base=$out/$package
    if [ -f "$base/source-dir" ] && [ -d "$(cat "$base/source-dir")" ]; then
        cat "$base/source-dir"
        return
    fi
    rm -rf "$base"
    mkdir -p "$base/apt/sources" "$base/apt/lists/partial" "$base/apt/cache/archives/partial"
    debian_source_entries "$base/apt/sources" \
        || fail "no Debian archive among the apt sources, so the source of $package cannot be had"
    local apt=(-q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$base/apt/sources"
               -o Dir::State::Lists="$base/apt/lists" -o Dir::Cache="$base/apt/cache")
    [ "$(id -u)" -eq 0 ] && apt+=(-o APT::Sandbox::User=root)
    apt-get "${apt[@]}" update > "$base/apt.log" 2>&1 || { tail -n 20 "$base/apt.log" >&2; fail "apt-get update of the deb-src entries"; }
    (cd "$base" && apt-get "${apt[@]}" source "$package") >> "$base/apt.log" 2>&1 \
        || { tail -n 20 "$base/apt.log" >&2; fail "apt-get source $package"; }
    local dir
    dir=$(find "$base" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
    [ -n "$dir" ] || fail "apt-get source $package left no source folder"
    if [ $# -gt 0 ]; then
        (cd "$dir" && "$@") > "$base/prepare.log" 2>&1 || fail "$* in $dir (see $base/prepare.log)"
    fi
    echo "$dir" > "$base/source-dir"
    echo "$dir"
}

# Under one prefix per architecture, each built once and marked by a stamp that
# names its source (.built-from-libsodium-1.0.18, ...), so that a prefix missing
# a library, or holding an older version of one, gets it built:
#   - a static libsodium, with only what the minimal build has: the library needs
#     Argon2id, HMAC-SHA-256, BLAKE2b and random bytes;
#   - for the simulator's ONVIF cameras: a static nettle without its public-key
#     half (which needs GMP), for MD5 and SHA-1; a static pugixml with its CMake
#     package; cpp-httplib's single header (Debian's libcpp-httplib-dev splits it
#     into a header and a compiled library; the source package has the whole one)
#     with a pkg-config file that asks for Windows' sockets library;
#   - the header-only Asio and nlohmann-json, linked from the system.
windows_prefix() {
    local arch=$1 sodium=$2 nettle=$3 pugixml=$4 httplib=$5
    local prefix=$out/$arch/prefix host=$arch-w64-mingw32
    mkdir -p "$prefix/include" "$prefix/lib/pkgconfig"
    if ! built "$prefix" "$sodium"; then
        local build=$out/$arch/libsodium-build
        rm -rf "$build"
        mkdir -p "$build"
        (cd "$build" && "$sodium/configure" --host="$host" CC="$host-gcc-posix" \
            --prefix="$prefix" --enable-minimal --disable-shared --enable-static --disable-dependency-tracking \
            && make -j "$jobs" install) > "$build.log" 2>&1 || { tail -n 30 "$build.log" >&2; fail "libsodium for $arch"; }
        # The static library's declarations must not ask for a DLL import.
        sed -i -E 's/^(Cflags:.*)$/\1 -DSODIUM_STATIC/' "$prefix/lib/pkgconfig/libsodium.pc"
        mark_built "$prefix" "$sodium"
    fi
    if ! built "$prefix" "$nettle"; then
        local build=$out/$arch/nettle-build
        rm -rf "$build"
        mkdir -p "$build"
        # The library, its headers and its pkg-config file only: not the tools,
        # tests and examples, which the top-level install would build as well.
        (cd "$build" && "$nettle/configure" --host="$host" CC="$host-gcc-posix" --prefix="$prefix" --libdir="$prefix/lib" \
            --disable-public-key --disable-shared --disable-documentation --disable-openssl --disable-dependency-tracking \
            && make -j "$jobs" install-headers install-static install-pkgconfig) > "$build.log" 2>&1 \
            || { tail -n 30 "$build.log" >&2; fail "nettle for $arch"; }
        mark_built "$prefix" "$nettle"
    fi
    if ! built "$prefix" "$pugixml"; then
        local build=$out/$arch/pugixml-build
        rm -rf "$build"
        (cmake -S "$pugixml" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
            -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
            -DCMAKE_INSTALL_LIBDIR=lib -DBUILD_SHARED_LIBS=OFF -DPUGIXML_BUILD_TESTS=OFF \
            && cmake --build "$build" -j "$jobs" --target install) > "$build.log" 2>&1 \
            || { tail -n 30 "$build.log" >&2; fail "pugixml for $arch"; }
        mark_built "$prefix" "$pugixml"
    fi
    if ! built "$prefix" "$httplib"; then
        local version
        version=$(sed -n -E 's/^#define CPPHTTPLIB_VERSION "([^"]+)"$/\1/p' "$httplib/httplib.h")
        [ -n "$version" ] || fail "no version in $httplib/httplib.h"
        cp "$httplib/httplib.h" "$prefix/include/httplib.h"
        # Plain HTTP only (no TLS, no compression): Windows' sockets are all it needs.
        cat > "$prefix/lib/pkgconfig/cpp-httplib.pc" <<PC
prefix=$prefix
includedir=\${prefix}/include

Name: cpp-httplib
Description: A C++ HTTP server and client library (single header)
Version: $version
Libs: -lws2_32
Cflags: -I\${includedir}
PC
        mark_built "$prefix" "$httplib"
    fi
    ln -sfn /usr/include/asio.hpp "$prefix/include/asio.hpp"
    ln -sfn /usr/include/asio "$prefix/include/asio"
    ln -sfn /usr/include/nlohmann "$prefix/include/nlohmann"
    echo "$prefix"
}

# Whether the prefix holds the library built from this source folder.
built() { [ -f "$1/.built-from-$(basename "$2")" ]; }

# Marks the library of this source folder as built, and no other version of it.
mark_built() {
    local prefix=$1 name
    name=$(basename "$2")
    rm -f "$prefix/.built-from-${name%-*}-"*
    touch "$prefix/.built-from-$name"
}

build_programs() {
    local arch=$1 prefix=$2
    local build=$out/$arch/build
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" -DTALDOR_WINDOWS_PREFIX="$prefix" \
        -DTALDOR_BUILD_GUI=OFF -DTALDOR_BUILD_TESTS=OFF -DTALDOR_BUILD_BENCH=OFF > "$out/$arch/configure.log" 2>&1 \
        || { tail -n 30 "$out/$arch/configure.log" >&2; fail "configuring the $arch build"; }
    grep -q 'lumo-devsim: ONVIF cameras on' "$out/$arch/configure.log" \
        || { grep 'lumo-devsim' "$out/$arch/configure.log" >&2; fail "$arch: lumo-devsim would be built without its ONVIF cameras"; }
    cmake --build "$build" -j "$jobs" --target Lumo lumo-devsim lumo-seccode lumo-dll-check \
        > "$out/$arch/build.log" 2>&1 || { grep -E -B2 -A8 'error' "$out/$arch/build.log" | head -n 60 >&2; fail "building for $arch"; }
}

check_runtime_imports() {
    local arch=$1 bin=$out/$arch/build/bin file dll
    for file in Lumo.dll lumo-devsim.exe lumo-seccode.exe lumo-dll-check.exe; do
        [ -f "$bin/$file" ] || fail "$arch: $file was not built"
        while read -r dll; do
            case "${dll,,}" in
                lib*) fail "$arch: $file needs $dll beside it; the MinGW runtime must be linked statically" ;;
            esac
        done < <("$arch-w64-mingw32-objdump" -p "$bin/$file" | sed -n -E 's/^[[:space:]]*DLL Name: (.*)$/\1/p')
    done
    passed "$arch: Lumo.dll and the programs import only Windows' own DLLs"
}

# The names a compiler gives the functions declared in lumo_api.h: a C file takes
# the address of each at run time, as an importing program does, and its object's
# import references are the names the DLL has to export.
header_link_names() {
    local arch=$1 work=$out/$arch/header-names
    mkdir -p "$work"
    local functions
    functions=$(sed -n -E 's/^LUMO_API[^(]*LUMO_CALL[[:space:]]+([A-Za-z0-9_]+)\(.*/\1/p' "$root/lumo/include/lumo/lumo_api.h")
    {
        echo '#include "lumo/lumo_api.h"'
        echo 'void taldor_header_functions(void (**functions)(void))'
        echo '{'
        for name in $functions; do echo "    *functions++ = (void (*)(void))$name;"; done
        echo '}'
    } > "$work/names.c"
    "$arch-w64-mingw32-gcc-posix" -c -I "$root/lumo/include" "$work/names.c" -o "$work/names.o"
    "$arch-w64-mingw32-nm" -u "$work/names.o" | sed -n -E 's/^[[:space:]]*U __imp_(.*)$/\1/p'
}

check_exports() {
    local arch=$1 dll=$out/$arch/build/bin/Lumo.dll
    local exports names name plain
    exports=$("$arch-w64-mingw32-objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' \
        | sed -n -E 's/^[[:space:]]*\[ *[0-9]+\] (.*)$/\1/p')
    names=$(header_link_names "$arch")
    for plain in LUMO_Start_V30 LUMO_Stop LUMO_SendInquiry LUMO_ModifyDeviceNetParam LUMO_ResetDefaultPasswd; do
        grep -q -E "^_?$plain(@[0-9]+)?$" <<< "$names" || fail "lumo_api.h no longer declares $plain with LUMO_API and LUMO_CALL"
    done
    for name in $names; do
        plain=$(sed -E 's/^_?([A-Za-z0-9_]+)(@[0-9]+)?$/\1/' <<< "$name")
        if [ "$arch" = i686 ]; then
            [[ "$name" =~ ^_[A-Za-z0-9_]+@[0-9]+$ ]] \
                || fail "$arch: the header declares $plain without the standard call convention (compiled name $name)"
        else
            [ "$name" = "$plain" ] || fail "$arch: the header gives $plain a decorated name ($name)"
        fi
        grep -q -x -F "$name" <<< "$exports" \
            || fail "$arch: Lumo.dll does not export $name, the name a program compiled with lumo_api.h links against; exports: $(echo $exports)"
        grep -q -x -F "$plain" <<< "$exports" || fail "$arch: Lumo.dll does not export $plain for GetProcAddress callers"
    done
    if [ "$arch" = x86_64 ] && grep -q '@' <<< "$exports"; then
        fail "$arch: Lumo.dll exports decorated names on 64-bit: $(echo $exports)"
    fi
    passed "$arch: Lumo.dll exports $(echo $exports)"
}

# --- Wine --------------------------------------------------------------------

devsim_pid=""
stop_wine() {
    [ -n "$devsim_pid" ] && kill "$devsim_pid" 2>/dev/null || true
    [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && "$wineserver" -k 2>/dev/null || true
}

start_wine() {
    export WINEPREFIX=$out/wine WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
    unset DISPLAY
    trap stop_wine EXIT
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        timeout 300 "$wine" wineboot --init > "$out/wineboot.log" 2>&1 || true
        # The registry reaches the disk when the prefix's server ends.
        timeout 120 "$wineserver" -w || true
        [ -f "$WINEPREFIX/system.reg" ] || fail "Wine could not create its prefix (see $out/wineboot.log)"
    fi
}

windows_path() { local path=$1; echo "Z:${path//\//\\}"; }

# The simulator, with two ONVIF cameras beside its devices, on free test ports of
# the loopback; sets device_port, client_port, onvif_port (WS-Discovery) and
# camera_port (the first camera's HTTP port; the second has the next one).
start_devsim() {
    local run=$1 bin=$2 attempt
    for attempt in 1 2 3; do
        device_port=$((20000 + RANDOM % 30000))
        client_port=$((device_port + 1))
        onvif_port=$((device_port + 2))
        camera_port=$((device_port + 3))
        rm -f "$run/fleet.json" "$run/fleet.json.tmp"
        : > "$run/devsim.out"
        timeout 600 "$wine" "$bin/lumo-devsim.exe" --count "$fleet_size" --bind 127.0.0.1 \
            --broadcast-address 127.255.255.255 --port "$device_port" --client-port "$client_port" \
            --onvif-count 2 --onvif-port "$onvif_port" --onvif-http-port "$camera_port" \
            --state "$(windows_path "$run/fleet.json")" > "$run/devsim.out" 2> "$run/devsim.err" &
        devsim_pid=$!
        local deadline=$((SECONDS + 120))
        while [ $SECONDS -lt $deadline ] && kill -0 "$devsim_pid" 2>/dev/null && ! grep -q '^ready' "$run/devsim.out"; do
            sleep 0.2
        done
        grep -q '^ready' "$run/devsim.out" && return 0
        kill "$devsim_pid" 2>/dev/null || true
        wait "$devsim_pid" 2>/dev/null || true
        devsim_pid=""
        grep -q -E 'cannot (use port|use the discovery port|listen at)' "$run/devsim.err" || { cat "$run/devsim.err" >&2; fail "lumo-devsim.exe did not start under Wine"; }
    done
    fail "lumo-devsim.exe found no free test port"
}

# Every adapter line the library printed must be sound: dotted addresses, a
# contiguous mask, the loopback among them, and none used for broadcasts.
check_adapter_list() {
    local log=$1 line count=0 loopback=0
    local pattern='^lumo: adapter [^ ]+ address ([0-9.]+) mask ([0-9.]+)( loopback)?( broadcast)?( used)?$'
    while read -r line; do
        [[ "$line" =~ $pattern ]] || fail "the adapter list has a malformed line: $line"
        local address=${BASH_REMATCH[1]} mask=${BASH_REMATCH[2]}
        [ -z "${BASH_REMATCH[5]}" ] || fail "an adapter was used for broadcasts despite LUMO_INTERFACES=none: $line"
        local value=0 octet
        for octet in ${mask//./ }; do
            [ "$octet" -le 255 ] || fail "mask out of range: $line"
            value=$((value * 256 + octet))
        done
        local inverted=$(((~value) & 0xFFFFFFFF))
        [ $(((inverted + 1) & inverted)) -eq 0 ] || fail "mask not contiguous: $line"
        for octet in ${address//./ }; do [ "$octet" -le 255 ] || fail "address out of range: $line"; done
        [ "$address" = 127.0.0.1 ] && [ "$mask" = 255.0.0.0 ] && [ -n "${BASH_REMATCH[3]}" ] && loopback=1
        count=$((count + 1))
        echo "   $line"
    done < <(tr -d '\r' < "$log" | grep '^lumo: adapter')
    [ "$count" -gt 0 ] || fail "the library listed no adapter under Wine"
    [ "$loopback" -eq 1 ] || fail "the adapter list lacks the loopback 127.0.0.1/255.0.0.0"
    passed "adapter enumeration (GetAdaptersAddresses) under Wine: $count adapters, none used"
}

# A camera's device service answers GetSystemDateAndTime (which needs no
# credentials) over plain HTTP on the loopback: bash's /dev/tcp, no HTTP client.
check_camera() {
    local run=$1 port=$2 body reply
    body='<?xml version="1.0" encoding="UTF-8"?><s:Envelope xmlns:s="http://www.w3.org/2003/05/soap-envelope"><s:Body><GetSystemDateAndTime xmlns="http://www.onvif.org/ver10/device/wsdl"/></s:Body></s:Envelope>'
    reply=$(timeout 30 bash -c '
        exec 3<>"/dev/tcp/127.0.0.1/$1" || exit 1
        printf "POST /onvif/device_service HTTP/1.1\r\nHost: 127.0.0.1:%s\r\nContent-Type: application/soap+xml; charset=utf-8\r\nContent-Length: %s\r\nConnection: close\r\n\r\n%s" \
            "$1" "${#2}" "$2" >&3
        cat <&3' camera "$port" "$body" | tr -d '\r') || true
    echo "$reply" > "$run/camera-$port.reply"
    grep -q '^HTTP/1.1 200' <<< "$reply" && grep -q 'GetSystemDateAndTimeResponse' <<< "$reply" \
        || { cat "$run/camera-$port.reply" "$run/devsim.err" >&2; fail "the ONVIF camera on 127.0.0.1:$port did not answer under Wine"; }
    passed "lumo-devsim.exe: the ONVIF camera on 127.0.0.1:$port answers GetSystemDateAndTime under Wine"
}

run_under_wine() {
    local bin=$out/x86_64/build/bin run=$out/run
    rm -rf "$run"
    mkdir -p "$run"
    start_wine
    start_devsim "$run" "$bin"
    passed "lumo-devsim.exe serves $fleet_size devices on 127.0.0.1:$device_port under Wine"
    check_camera "$run" "$camera_port"
    check_camera "$run" "$((camera_port + 1))"
    cp "$run/fleet.json" "$run/fleet-at-start.json"

    local serial=TL0000000003 code
    code=$(timeout 120 "$wine" "$bin/lumo-seccode.exe" "$serial" | tr -d '\r')
    [ -n "$code" ] || fail "lumo-seccode.exe printed no code"
    passed "lumo-seccode.exe issued $code for $serial"

    if ! LUMO_INTERFACES=none LUMO_TARGETS="127.0.0.1:$device_port" LUMO_DEVICE_PORT="$device_port" \
         LUMO_CLIENT_PORT="$client_port" LUMO_LOG_INTERFACES=1 \
         timeout 300 "$wine" "$bin/lumo-dll-check.exe" "$(windows_path "$bin/Lumo.dll")" "$fleet_size" admin1234 \
             "$serial" 10.20.0.200 "$code" > "$run/check.out" 2> "$run/check.err"; then
        cat "$run/check.out" "$run/check.err" >&2
        fail "lumo-dll-check.exe under Wine"
    fi
    sed 's/^/   /' "$run/check.out"
    passed "lumo-dll-check.exe: Lumo.dll found every device once, re-addressed one, restored its password"
    check_adapter_list "$run/check.err"

    [ ! -e "$run/fleet.json.tmp" ] || fail "the simulator left its temporary state file behind"
    cmp -s "$run/fleet.json" "$run/fleet-at-start.json" && fail "the simulator's state file was not rewritten under Wine"
    passed "lumo-devsim.exe saved the changed fleet over its state file"
    stop_wine
    devsim_pid=""
}

main() {
    require_tools
    mkdir -p "$out"
    step "Debian sources: libsodium, nettle, pugixml, cpp-httplib"
    local sources=() package
    for package in libsodium nettle pugixml cpp-httplib; do
        local dir
        if [ "$package" = libsodium ]; then
            dir=$(debian_source libsodium autoreconf -fi)
        else
            dir=$(debian_source "$package")
        fi
        sources+=("$dir")
    done
    # windows-check.sh prefix [ARCH...]: only the libraries for Windows (by
    # default for x86_64), as scripts/build-windows.sh needs them.
    if [ "${1:-}" = prefix ]; then
        shift
        local wanted=("$@")
        [ ${#wanted[@]} -gt 0 ] || wanted=(x86_64)
        for arch in "${wanted[@]}"; do
            step "$arch: libraries for Windows"
            windows_prefix "$arch" "${sources[@]}" > /dev/null
            echo "$out/$arch/prefix"
        done
        return
    fi
    for arch in "${arches[@]}"; do
        step "$arch: libsodium, nettle, pugixml and the header-only libraries"
        local prefix
        prefix=$(windows_prefix "$arch" "${sources[@]}")
        step "$arch: Lumo.dll, lumo-devsim.exe, lumo-seccode.exe, lumo-dll-check.exe"
        build_programs "$arch" "$prefix"
        check_runtime_imports "$arch"
        check_exports "$arch"
    done
    step "x86_64 under Wine"
    run_under_wine
    echo "$checks" > "$out/checks-passed"
    echo "windows-check: $checks checks passed in $((SECONDS - began)) s"
}

main "$@"
