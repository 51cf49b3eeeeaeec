#!/usr/bin/env bash
# Builds the release zip: Brivan.exe, the operator's guide in Russian and English, the licence.
# Refuses a Brivan.exe that imports anything but system DLLs, and prints its size.
# Usage: tools/release.sh [WINDOWS_BUILD_DIR [OUT_DIR]]   (defaults: build/windows, build/release)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 1
build=${1:-build/windows}
out=${2:-build/release}
jobs=${JOBS:-2}

tools/install-deps.sh
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$jobs" --target Brivan

exe=$build/app/Brivan.exe
[ -f "$exe" ] || { echo "release: Brivan.exe was not built" >&2; exit 1; }

version=$(sed -n 's/^#define BRIVAN_VERSION_TEXT "\(.*\)"/\1/p' res/version.rc)
[ -n "$version" ] || { echo "release: no BRIVAN_VERSION_TEXT in res/version.rc" >&2; exit 1; }
name=Brivan-$version
stage=$out/$name
rm -rf "$stage" "$out/$name.zip"
mkdir -p "$stage"

# The shipped copy carries no symbols; the resources (version, dialogs, default profile) stay.
x86_64-w64-mingw32-strip -o "$stage/Brivan.exe" "$exe"
cp docs/guide.ru.md "$stage/guide.ru.md"
cp docs/guide.en.md "$stage/guide.en.md"
cp LICENSE "$stage/LICENSE.txt"

tools/check-imports.sh "$stage/Brivan.exe"

# The version resource must be there: its key is stored as UTF-16LE text.
if ! LC_ALL=C grep -qaP 'F\x00i\x00l\x00e\x00V\x00e\x00r\x00s\x00i\x00o\x00n\x00' "$stage/Brivan.exe"; then
    echo "release: Brivan.exe has no version resource" >&2
    exit 1
fi

(cd "$out" && zip -q -r -X "$name.zip" "$name")
size=$(stat -c %s "$stage/Brivan.exe")
echo "Brivan.exe: $size bytes ($(awk -v s="$size" 'BEGIN { printf "%.2f", s / 1048576 }') MiB), version $version"
echo "Release: $out/$name.zip ($(stat -c %s "$out/$name.zip") bytes)"
unzip -l "$out/$name.zip"
