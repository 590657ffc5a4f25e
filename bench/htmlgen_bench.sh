#!/usr/bin/env bash
# Catalogue speed of veldrin-cli over a large tree, next to the floor of merely finding every file
# and reading its first 32 bytes.
#
# Builds 100,000 tiny but complete pictures (PNG, GIF, BMP and JPEG in turn, so that every header
# reader runs) in 1,000 folders of a temporary folder (removed at the end), then times, with a warm
# page cache and best of ROUNDS:
#   - the floor: a small C program that walks the tree and reads 32 bytes of every file, and, for
#     reference, find | xargs head -c 32;
#   - veldrin-cli --quiet with thumbnail and link, exact sizes and subfolders (no thumbnail files),
#     with one worker (VELDRIN_WORKERS=1: the run's thread alone) and with two (the next files' facts
#     read on the second core).
# It prints files per second, the ratio to the floor (goal: at most 2), the peak memory, and the
# system calls per listed file of a two-worker run (strace -c).
#
#   bench/htmlgen_bench.sh                     uses build/ (build it first: make build)
#   BUILD=build-x ROUNDS=5 FOLDERS=100 bench/htmlgen_bench.sh
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$ROOT" && realpath -m "${BUILD:-build}")
ROUNDS=${ROUNDS:-3}
FOLDERS=${FOLDERS:-1000}
PER_FOLDER=${PER_FOLDER:-100}
CLI=$BUILD/bin/veldrin-cli

if [ ! -x "$CLI" ]; then
    echo "$CLI is missing: build first (make build, or BUILD=your-build-dir)" >&2
    exit 1
fi
need=()
[ -x /usr/bin/time ] || need+=(time)
command -v cc >/dev/null || need+=(gcc)
command -v python3 >/dev/null || need+=(python3)
command -v strace >/dev/null || need+=(strace)
# shellcheck source=install_tools.sh
. "$ROOT/bench/install_tools.sh"

WORK=$(mktemp -d /tmp/veldrin-htmlgen-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
TREE=$WORK/tree
TOTAL=$((FOLDERS * PER_FOLDER))

# --- tree ----------------------------------------------------------------------------------------
echo "Generating $TOTAL pictures in $FOLDERS folders..."
SECONDS=0
python3 - "$TREE" "$FOLDERS" "$PER_FOLDER" <<'EOF'
import base64, os, struct, sys, zlib

tree, folders, per_folder = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])

def png(w, h):
    raw = b''.join(b'\0' + bytes((x * 37 + y * 11) % 256 for x in range(w * 3)) for y in range(h))
    def chunk(kind, data):
        return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(raw)) + chunk(b'IEND', b''))

def gif(w, h):
    # One colour, uncompressed LZW codes: a clear code before the code width would grow.
    out = bytearray(b'GIF89a' + struct.pack('<HHBBB', w, h, 0x80, 0, 0) + b'\xff\x80\x00\x00\x40\xff')
    out += b',' + struct.pack('<HHHHB', 0, 0, w, h, 0) + b'\x02'
    codes = [4]
    for i in range(w * h):
        if i and i % 2 == 0:
            codes.append(4)
        codes.append(0)
    codes.append(5)
    bits = nbits = 0
    data = bytearray()
    for c in codes:
        bits |= c << nbits
        nbits += 3
        while nbits >= 8:
            data.append(bits & 0xff)
            bits >>= 8
            nbits -= 8
    if nbits:
        data.append(bits & 0xff)
    for i in range(0, len(data), 255):
        block = data[i:i + 255]
        out += bytes([len(block)]) + block
    return bytes(out + b'\0;')

def bmp(w, h):
    stride = (w * 3 + 3) & ~3
    pixels = b''.join(bytes((x * 50) % 256 for x in range(w * 3)) + b'\0' * (stride - w * 3) for _ in range(h))
    header = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return b'BM' + struct.pack('<IHHI', 14 + len(header) + len(pixels), 0, 0, 54) + header + pixels

# An 8 x 8 baseline JPEG.
jpeg = base64.b64decode(
    '/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDABALDA4MChAODQ4SERATGCgaGBYWGDEjJR0oOjM9PDkzODdASFxOQERXRTc4UG1R'
    'V19iZ2hnPk1xeXBkeFxlZ2P/2wBDARESEhgVGC8aGi9jQjhCY2NjY2NjY2NjY2NjY2NjY2NjY2NjY2NjY2NjY2NjY2NjY2Nj'
    'Y2NjY2NjY2NjY2NjY2P/wAARCAAIAAgDASIAAhEBAxEB/8QAHwAAAQUBAQEBAQEAAAAAAAAAAAECAwQFBgcICQoL/8QAtRAA'
    'AgEDAwIEAwUFBAQAAAF9AQIDAAQRBRIhMUEGE1FhByJxFDKBkaEII0KxwRVS0fAkM2JyggkKFhcYGRolJicoKSo0NTY3ODk6'
    'Q0RFRkdISUpTVFVWV1hZWmNkZWZnaGlqc3R1dnd4eXqDhIWGh4iJipKTlJWWl5iZmqKjpKWmp6ipqrKztLW2t7i5usLDxMXG'
    'x8jJytLT1NXW19jZ2uHi4+Tl5ufo6erx8vP09fb3+Pn6/8QAHwEAAwEBAQEBAQEBAQAAAAAAAAECAwQFBgcICQoL/8QAtREA'
    'AgECBAQDBAcFBAQAAQJ3AAECAxEEBSExBhJBUQdhcRMiMoEIFEKRobHBCSMzUvAVYnLRChYkNOEl8RcYGRomJygpKjU2Nzg5'
    'OkNERUZHSElKU1RVVldYWVpjZGVmZ2hpanN0dXZ3eHl6goOEhYaHiImKkpOUlZaXmJmaoqOkpaanqKmqsrO0tba3uLm6wsPE'
    'xcbHyMnK0tPU1dbX2Nna4uPk5ebn6Onq8vP09fb3+Pn6/9oADAMBAAIRAxEAPwCHT/uxf9ezf+ihRRRW0Pjl8v1Ir7R9Ef/Z')

kinds = [('png', [png(4 + s, 3 + s) for s in range(4)]), ('gif', [gif(4 + s, 3 + s) for s in range(4)]),
         ('bmp', [bmp(4 + s, 3 + s) for s in range(4)]), ('jpg', [jpeg])]
n = 0
for f in range(folders):
    folder = os.path.join(tree, 'album%04d' % f)
    os.makedirs(folder)
    for i in range(per_folder):
        ext, variants = kinds[n % 4]
        with open(os.path.join(folder, 'picture%05d.%s' % (n, ext)), 'wb') as out:
            out.write(variants[(n // 4) % len(variants)])
        n += 1
EOF

# --- the floor -----------------------------------------------------------------------------------
cat >"$WORK/floor.c" <<'EOF'
/* Walks a tree and reads the first 32 bytes of every regular file: the least any catalogue of it
   must do. */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static long files;

static void walk(const char *path) {
    DIR *dir = opendir(path);
    if (!dir)
        return;
    struct dirent *e;
    char child[4096];
    while ((e = readdir(dir))) {
        if (e->d_name[0] == '.')
            continue;
        snprintf(child, sizeof child, "%s/%s", path, e->d_name);
        if (e->d_type == DT_DIR) {
            walk(child);
        } else if (e->d_type == DT_REG) {
            char head[32];
            int fd = open(child, O_RDONLY | O_CLOEXEC);
            if (fd >= 0) {
                if (read(fd, head, sizeof head) > 0)
                    files++;
                close(fd);
            }
        }
    }
    closedir(dir);
}

int main(int argc, char **argv) {
    walk(argc > 1 ? argv[1] : ".");
    printf("%ld\n", files);
    return 0;
}
EOF
echo "  (${SECONDS} s)"
cc -O2 -o "$WORK/floor" "$WORK/floor.c"

# Best elapsed seconds of ROUNDS runs of a command. The best run's CPU seconds (user + system) go
# to $WORK/cpu and its peak memory in KB to $WORK/rss: on a shared machine CPU time is the steadier
# measure.
best_of() {
    local best="" e u s m
    for _ in $(seq 1 "$ROUNDS"); do
        /usr/bin/time -f '%e %U %S %M' -o "$WORK/time" "$@" >/dev/null 2>"$WORK/stderr" || {
            echo "failed: $*" >&2
            cat "$WORK/stderr" >&2
            exit 1
        }
        read -r e u s m <"$WORK/time"
        if [ -z "$best" ] || awk -v a="$e" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$e
            awk -v u="$u" -v s="$s" 'BEGIN { printf "%.2f\n", u + s }' >"$WORK/cpu"
            echo "$m" >"$WORK/rss"
        fi
    done
    echo "$best"
}

found=$("$WORK/floor" "$TREE")
[ "$found" -eq "$TOTAL" ] || { echo "the floor program found $found files, not $TOTAL" >&2; exit 1; }
echo "Warming the page cache..."
find "$TREE" -type f -print0 | xargs -0 cat >/dev/null

floor_c=$(best_of "$WORK/floor" "$TREE")
floor_c_cpu=$(cat "$WORK/cpu")
floor_c_rss=$(cat "$WORK/rss")
floor_sh=$(best_of sh -c 'find "$1" -type f -print0 | xargs -0 head -q -c 32' sh "$TREE")
floor_sh_cpu=$(cat "$WORK/cpu")

printf '[VELDRIN]\r\n' >"$WORK/bench.ini"
list_args=(--quiet --overwrite --ini "$WORK/bench.ini" --set OUTHTMLTYPE=1 --set TRUERATIO=1 --set SUBFS=1 "$TREE")
cli1=$(best_of env VELDRIN_WORKERS=1 "$CLI" "${list_args[@]}")
cli1_cpu=$(cat "$WORK/cpu")
cli1_rss=$(cat "$WORK/rss")
cli=$(best_of env VELDRIN_WORKERS=2 "$CLI" "${list_args[@]}")
cli_cpu=$(cat "$WORK/cpu")
cli_rss=$(cat "$WORK/rss")
VELDRIN_WORKERS=2 strace -f -c -o "$WORK/strace" "$CLI" "${list_args[@]}" >/dev/null 2>&1
per_file() { awk -v n="$TOTAL" -v names="$1" 'BEGIN { split(names, w, ",") } { for (i in w) if ($NF == w[i]) c += ($4 ~ /^[0-9]+$/ ? $4 : $5) } END { printf "%.2f", c / n }' "$WORK/strace"; }
listed=$(grep -o "<IMG " "$TREE/list.html" | wc -l)
[ "$listed" -eq "$TOTAL" ] || { echo "the list has $listed entries, not $TOTAL" >&2; exit 1; }

rate() { awk -v n="$TOTAL" -v s="$1" 'BEGIN { if (s <= 0) s = 0.01; printf "%.0f", n / s }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b <= 0) b = 0.01; printf "%.2f", a / b }'; }

echo
echo "$TOTAL files in $FOLDERS folders, warm cache, best of $ROUNDS (load average: $(cut -d' ' -f1 /proc/loadavg))"
printf '%-44s %8s %8s %10s %12s\n' "" "elapsed" "CPU" "files/s" "peak memory"
printf '%-44s %7ss %7ss %10s %9s KB\n' \
    "floor: walk + 32-byte read (C)" "$floor_c" "$floor_c_cpu" "$(rate "$floor_c")" "$floor_c_rss" \
    "floor: find | xargs head -c 32" "$floor_sh" "$floor_sh_cpu" "$(rate "$floor_sh")" "-" \
    "veldrin-cli, 1 worker (type 1, exact sizes)" "$cli1" "$cli1_cpu" "$(rate "$cli1")" "$cli1_rss" \
    "veldrin-cli, 2 workers" "$cli" "$cli_cpu" "$(rate "$cli")" "$cli_rss"
echo
echo "veldrin-cli / C floor, elapsed:    $(ratio "$cli1" "$floor_c") with 1 worker, $(ratio "$cli" "$floor_c") with 2  (goal: at most 2)"
echo "veldrin-cli / C floor, CPU:        $(ratio "$cli1_cpu" "$floor_c_cpu") with 1 worker, $(ratio "$cli_cpu" "$floor_c_cpu") with 2"
echo "veldrin-cli / find+head, elapsed:  $(ratio "$cli" "$floor_sh") with 2 workers"
echo "system calls per listed file (2 workers, the whole process): $(per_file openat) open," \
    "$(per_file read,pread64) read, $(per_file close) close, $(per_file newfstatat,fstat,statx,lstat,stat) stat"
