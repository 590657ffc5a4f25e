#!/usr/bin/env bash
# Writes a catalogue of the bundled sample pictures with veldrin-cli and says where it is.
# Usage: scripts/run-samples.sh BUILD_DIR
# Everything is written below BUILD_DIR/run/ (a fresh copy of samples/ and a fresh settings
# file), so files under version control are never touched.
set -euo pipefail

if [ $# -ne 1 ]; then
    echo "usage: $0 BUILD_DIR" >&2
    exit 2
fi
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "$1" && pwd)"
cli="$build/bin/veldrin-cli"
if [ ! -x "$cli" ]; then
    echo "$cli is missing: build first (make build)" >&2
    exit 1
fi

run="$build/run"
samples="$run/samples"
ini="$run/veldrin.ini"
rm -rf "$samples"
mkdir -p "$run"
cp -R "$repo/samples" "$samples"

# Thumbnail and link, in a table, with every file detail, exact sizes, thumbnail files created,
# subfolders searched. The choices sit in the settings file so that they can be read there.
printf '%s\r\n' '[VELDRIN]' \
    'OUTHTMLTYPE=1' 'USETABLE=1' 'FILESTATUS_ATTR=1111111' 'TRUERATIO=1' 'CREATESPIC=1' 'SUBFS=1' \
    'OUTFILENAME=list' >"$ini"

# No questions on the terminal: the options answer the TGA conversion, and nothing is opened.
status=0
"$cli" --ini "$ini" --convert-tga --overwrite "$samples" </dev/null || status=$?
list="$samples/list.html"
if [ "$status" -ne 0 ] || [ ! -f "$list" ]; then
    echo "veldrin-cli failed (exit status $status)" >&2
    exit 1
fi

# A file URL: every byte outside the unreserved set and "/" is percent-encoded.
url_path() {
    local LC_ALL=C text="$1" out="" c i
    for ((i = 0; i < ${#text}; i++)); do
        c="${text:i:1}"
        case "$c" in
        [A-Za-z0-9/._~-]) out+="$c" ;;
        *) out+="$(printf '%%%02X' "'$c")" ;;
        esac
    done
    printf '%s' "$out"
}

echo
echo "Catalogue: $list"
echo "Open:      file://$(url_path "$list")"
