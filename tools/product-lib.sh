# Shared by tools/bench.sh, tools/soak.sh and tools/demo.sh; source it from the repository root.
# Builds what the product commands need and prepares a run folder with a demo working directory.

product_build=${BUILD:-build/windows}
product_jobs=${JOBS:-2}

# The Windows build with Brivan.exe, the stand-in hlds.exe and the outside probe.
product_build_windows() {
    tools/install-deps.sh "$@" || return 1
    cmake -S . -B "$product_build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
        >/dev/null || return 1
    cmake --build "$product_build" -j"$product_jobs" --target Brivan hlds brivan_probe || return 1
    product_exe=$product_build/app/Brivan.exe
    product_hlds=$product_build/standin/hlds.exe
    product_probe=$product_build/soak/brivan_probe.exe
    [ -f "$product_exe" ] && [ -f "$product_hlds" ] && [ -f "$product_probe" ]
}

# A run folder: bin-<unique>/Brivan.exe (a folder name no other process carries, so the probe finds
# Brivan's host process) and work/, a fresh demo working directory.
product_prepare_run() {
    product_run=$(mktemp -d "/tmp/brivan-$1.XXXXXX")
    product_bin=$product_run/bin-$(basename "$product_run" | tr -c 'A-Za-z0-9\n' '-')
    mkdir -p "$product_bin"
    cp "$product_exe" "$product_bin/Brivan.exe"
    tools/demo-workdir.sh "$product_run/work" "$product_hlds" >/dev/null
}

# The Windows path of a Unix path, through Wine's Z: drive.
winpath() {
    local p
    p=$(realpath -m "$1")
    echo "Z:${p//\//\\}"
}
