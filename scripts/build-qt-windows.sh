#!/usr/bin/env bash
# Builds Qt for 64-bit Windows from Debian's own qt6-base source package with the
# MinGW-w64 -posix compilers, using Debian's Qt as host tools (moc, rcc, uic...).
# Only what the utility and its tests use is built: Core, Gui, Widgets, Network
# (plain HTTP and UDP; no TLS backend) and Test, the qwindows platform plugin and
# the Windows styles.
#
# The result goes to a cache folder outside the checkout,
#     ${TALDOR_CACHE:-~/.cache/taldor}/qt6-win64-<key>
# where the key is made from the Qt source version, the configure options and the
# toolchain files, so a machine builds each variant once and any checkout reuses it.
# The last line printed is the cache folder; with --print-prefix nothing is built
# and only that folder is printed (the command fails when it is not there yet).
#
# Environment: TALDOR_CACHE (cache root), TALDOR_QT_JOBS (parallel jobs, default 2).
# The build runs at the lowest CPU priority; a clean build takes about 25 minutes
# on two cores.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=scripts/debian-sources.sh
. "$root/scripts/debian-sources.sh"
cache=${TALDOR_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/taldor}
jobs=${TALDOR_QT_JOBS:-2}
toolchain=$root/cmake/mingw-w64-x86_64.cmake
host_cmake_dir=/usr/lib/x86_64-linux-gnu/cmake
began=$SECONDS

fail() { echo "build-qt-windows: FAILED: $*" >&2; exit 1; }
step() { echo "== build-qt-windows: $* ($((SECONDS - began)) s)" >&2; }

# The Qt of the target must be the same release as the host tools that generate
# code for it, so the source is the one of the installed host Qt.
qt_source_version() {
    dpkg-query -W -f '${Version}' qt6-base-dev 2>/dev/null \
        || fail "Debian's qt6-base-dev is not installed (scripts/install-deps.sh)"
}

# The runtime of the compiler is linked into every Qt DLL, except winpthreads,
# which stays one shared libwinpthread-1.dll so that all modules use one thread
# library.
runtime_link_flags="-static-libgcc -static-libstdc++"

configure_options=(
    -release -shared -opensource -confirm-license
    -nomake examples -nomake tests -nomake benchmarks
    -qt-host-path /usr -xplatform win32-g++
    -no-pkg-config -no-icu -no-zstd -no-dbus -no-opengl -no-vulkan
    -qt-zlib -qt-libpng -qt-libjpeg -qt-freetype -qt-harfbuzz -qt-pcre -qt-doubleconversion
    -no-openssl -no-feature-schannel -no-feature-sql -no-feature-printsupport -no-feature-concurrent
    -no-feature-xml -no-feature-androiddeployqt
    # Debian's source has no wintab headers, which tablet events need.
    -no-feature-tabletevent
    # Without Direct2D, Qt 6.4's DirectWrite 3 font code does not link.
    -no-direct2d -no-feature-directwrite3
)

cache_key() {
    {
        echo "qt6-base $(qt_source_version)"
        printf '%s\n' "${configure_options[@]}" "$runtime_link_flags"
        cat "$toolchain" "$root/cmake/TaldorMinGW.cmake"
    } | sha256sum | cut -c1-12
}

prefix="$cache/qt6-win64-$(cache_key)"

if [ "${1:-}" = --print-prefix ]; then
    [ -f "$prefix/.complete" ] || fail "Qt for Windows is not built yet; run scripts/build-qt-windows.sh"
    echo "$prefix"
    exit 0
fi

require_tools() {
    local tool
    for tool in x86_64-w64-mingw32-gcc-posix x86_64-w64-mingw32-g++-posix cmake ninja apt-get dpkg-source; do
        command -v "$tool" >/dev/null \
            || fail "$tool is missing; install the packages of scripts/packages.txt (scripts/install-deps.sh)"
    done
    [ -f "$host_cmake_dir/Qt6HostInfo/Qt6HostInfoConfig.cmake" ] \
        || fail "Debian's host Qt is missing its CMake files in $host_cmake_dir (qt6-base-dev)"
    [ -f "$toolchain" ] || fail "the toolchain file $toolchain is missing"
}


# Debian's qt6-base source with Debian's patches applied, fetched once per version.
qt_source() {
    local version base dir
    version=$(qt_source_version)
    base="$cache/qt6-base-source-$version"
    dir="$base/qt6-base-${version%%-*}"
    if [ -f "$base/.complete" ] && [ -f "$dir/configure" ]; then
        echo "$dir"
        return
    fi
    step "fetching Debian's qt6-base $version source"
    rm -rf "$base"
    mkdir -p "$base/apt/sources" "$base/apt/lists/partial" "$base/apt/cache/archives/partial"
    debian_source_entries "$base/apt/sources" \
        || fail "no Debian archive among the apt sources, so Qt's source cannot be had"
    local apt=(-q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$base/apt/sources"
               -o Dir::State::Lists="$base/apt/lists" -o Dir::Cache="$base/apt/cache")
    [ "$(id -u)" -eq 0 ] && apt+=(-o APT::Sandbox::User=root)
    apt-get "${apt[@]}" update > "$base/apt.log" 2>&1 \
        || { tail -n 20 "$base/apt.log" >&2; fail "apt-get update of the deb-src entries"; }
    (cd "$base" && apt-get "${apt[@]}" source "qt6-base=$version") >> "$base/apt.log" 2>&1 \
        || { tail -n 20 "$base/apt.log" >&2; fail "apt-get source qt6-base=$version"; }
    [ -f "$dir/configure" ] || fail "apt-get source left no $dir"
    rm -rf "$base/apt" "$base"/*.tar.* "$base"/*.dsc
    touch "$base/.complete"
    echo "$dir"
}

configure_qt() {
    local source=$1 build=$2
    step "configuring Qt in $build"
    # A configure run in an old build folder keeps the old feature settings.
    rm -rf "$build"
    mkdir -p "$build"
    (cd "$build" && "$source/configure" -prefix "$prefix" "${configure_options[@]}" -- \
        -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
        -DCMAKE_EXE_LINKER_FLAGS="$runtime_link_flags" -DCMAKE_SHARED_LINKER_FLAGS="$runtime_link_flags" \
        -DCMAKE_MODULE_LINKER_FLAGS="$runtime_link_flags") > "$build/../configure.log" 2>&1 \
        || { tail -n 40 "$build/../configure.log" >&2; fail "configuring Qt (see $build/../configure.log)"; }
}

# Ninja's "[done/total]" lines, shown every 50 steps.
build_qt() {
    local build=$1 log=$1/../build.log
    step "building Qt with $jobs jobs at low priority; log in $log"
    set +o pipefail
    nice -n 19 cmake --build "$build" --parallel "$jobs" 2>&1 | tee "$log" | awk '
        match($0, /^\[[0-9]+\/[0-9]+\]/) {
            split(substr($0, 2, RLENGTH - 2), n, "/")
            if (n[1] % 50 == 0 || n[1] == n[2]) { printf "   qt: step %d of %d\n", n[1], n[2]; fflush() }
        }' >&2
    local status=${PIPESTATUS[0]}
    set -o pipefail
    [ "$status" -eq 0 ] || { grep -E -B2 -A12 'FAILED|error:' "$log" | head -n 60 >&2; fail "building Qt (see $log)"; }
}

install_qt() {
    local build=$1
    step "installing into $prefix"
    rm -rf "$prefix"
    cmake --install "$build" > "$build/../install.log" 2>&1 \
        || { tail -n 30 "$build/../install.log" >&2; fail "installing Qt"; }
    # Programs built against this Qt need the one runtime DLL that stays shared.
    local dll
    dll=$(x86_64-w64-mingw32-g++-posix -print-file-name=libwinpthread-1.dll)
    [ -f "$dll" ] || fail "the compiler has no libwinpthread-1.dll"
    cp "$dll" "$prefix/bin/"
    touch "$prefix/.complete"
}

main() {
    if [ -f "$prefix/.complete" ]; then
        step "reusing the Qt for Windows in the cache"
        echo "$prefix"
        return
    fi
    require_tools
    mkdir -p "$cache"
    local source work
    source=$(qt_source)
    work="$prefix.work"
    configure_qt "$source" "$work/build"
    build_qt "$work/build"
    install_qt "$work/build"
    rm -rf "$work"
    step "Qt for Windows built: $(du -sh "$prefix" | cut -f1) in $prefix"
    echo "$prefix"
}

main "$@"
