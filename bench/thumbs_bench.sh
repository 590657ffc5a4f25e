#!/usr/bin/env bash
# Thumbnail speed and memory, side by side with the common command-line tools.
#
# Generates 200 photographs of 4000x3000 pixels in 10 folders (in a temporary folder, removed at the
# end), then makes 100x100 thumbnails at quality 75 with each tool in turn, round after round, on one
# core and on two (veldrin-cli with VELDRIN_WORKERS=1 and 2, the other tools as two workers that share
# the files), and prints pictures per second and the peak memory of the largest process.
#
#   bench/thumbs_bench.sh               uses build/ (build it first: make build)
#   BUILD=build-x ROUNDS=3 bench/thumbs_bench.sh
#
# Tools: veldrin-cli (skipped with a note when it is not built), the in-process pipeline of
# bench/thumbs_pipeline.cpp, GraphicsMagick mogrify (batched, with a decode size hint), vipsthumbnail,
# and ImageMagick convert (one process per picture, no size hint).
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$ROOT" && realpath -m "${BUILD:-build}")
ROUNDS=${ROUNDS:-2}
FOLDERS=10
PER_FOLDER=20
CORE=${CORE:-0}
CORES=${CORES:-0,1}

need=()
command -v gm >/dev/null || need+=(graphicsmagick)
command -v vipsthumbnail >/dev/null || need+=(libvips-tools)
command -v convert-im6.q16 >/dev/null || need+=(imagemagick)
[ -x /usr/bin/time ] || need+=(time)
command -v taskset >/dev/null || need+=(util-linux)
command -v pkg-config >/dev/null || need+=(pkg-config)
# shellcheck source=install_tools.sh
. "$ROOT/bench/install_tools.sh"

WORK=$(mktemp -d /tmp/veldrin-thumbs-bench.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
CORPUS=$WORK/corpus
mkdir -p "$CORPUS"

# --- corpus --------------------------------------------------------------------------------------
# Ten scenes (fractal plasma, softened, with shapes and a sensor's grain, so the files are as large as
# a phone's), each in 20 variations (shifted, mirrored, lighter or darker, other quality), so no two
# files are alike.
echo "Generating $((FOLDERS * PER_FOLDER)) photographs of 4000x3000 in $FOLDERS folders..."
gen_start=$(date +%s)
for s in $(seq 1 $FOLDERS); do
    convert-im6.q16 -size 800x600 -seed "$s" plasma:fractal -blur 0x2 \
        -fill "rgba(255,255,255,0.35)" -draw "circle $((100 + s * 50)),200 $((160 + s * 50)),260" \
        -fill "rgba(0,0,0,0.3)" -draw "polygon 0,600 300,$((300 + s * 10)) 800,600" \
        -resize 4000x3000! -attenuate 0.5 +noise Gaussian "$WORK/scene$s.ppm" &
    [ $((s % 2)) -eq 0 ] && wait
done
wait
gains=(0.90 0.95 1.00 1.05 1.10)
for s in $(seq 1 $FOLDERS); do
    dir=$CORPUS/$(printf 'day%02d' "$s")
    mkdir -p "$dir"
    for i in $(seq 1 $PER_FOLDER); do
        vips wrap "$WORK/scene$s.ppm" "$WORK/shifted.v" --x $((i * 197)) --y $((i * 113))
        [ $((i % 3)) -eq 0 ] && vips flip "$WORK/shifted.v" "$WORK/flipped.v" horizontal &&
            mv "$WORK/flipped.v" "$WORK/shifted.v"
        vips linear "$WORK/shifted.v" "$dir/$(printf 'IMG_%02d%03d.jpg' "$s" "$i")[Q=$((82 + i % 12)),strip]" \
            "${gains[$((i % 5))]}" $((i % 7)) --uchar
    done
done
rm -f "$WORK"/scene*.ppm "$WORK"/*.v
count=$(find "$CORPUS" -name '*.jpg' | wc -l)
echo "  $count files, $(du -sh "$CORPUS" | cut -f1), $(($(date +%s) - gen_start)) s"

# --- the in-process pipeline ---------------------------------------------------------------------
PIPELINE=""
if [ -f "$BUILD/src/thumbs/libveldrin_thumbs.a" ] && [ -f "$BUILD/bin/SaveJPG.DLL" ]; then
    PIPELINE=$WORK/thumbs_pipeline
    # shellcheck disable=SC2046
    g++ -std=c++20 -O2 -fPIC -o "$PIPELINE" "$ROOT/bench/thumbs_pipeline.cpp" \
        -I"$ROOT/src/thumbs/include" -I"$ROOT/src/imageinfo/include" -I"$ROOT/src/startup/include" \
        "$BUILD/src/thumbs/libveldrin_thumbs.a" "$BUILD/src/imageinfo/libveldrin_imageinfo.a" \
        "$BUILD/src/startup/libveldrin_startup.a" $(pkg-config --cflags --libs Qt6Gui libturbojpeg) -ldl
else
    echo "note: $BUILD has no veldrin_thumbs and SaveJPG.DLL built; the in-process pipeline is skipped"
fi
CLI=$BUILD/bin/veldrin-cli
[ -x "$CLI" ] || echo "note: $CLI is not built; veldrin-cli is skipped"

# --- tools ---------------------------------------------------------------------------------------
# Each runs on a fresh output folder (veldrin-cli on a fresh copy, as it writes beside the pictures).
run_veldrin_cli() {
    local copy=$1/pictures
    cp -r "$CORPUS" "$copy"
    sync
    : >"$1/veldrin.ini"
    measure "$2" env VELDRIN_WORKERS="$3" "$CLI" --quiet --ini "$1/veldrin.ini" --overwrite --set OUTHTMLTYPE=1 \
        --set TRUERATIO=1 --set CREATESPIC=1 --set SUBFS=1 --set SUMSIZE=100,100 --set JPEGCOMP=75 \
        --thumbnails=overwrite "$copy"
}
run_veldrin_cli_1() { run_veldrin_cli "$1" "$CORE" 1; }
run_veldrin_cli_2() { run_veldrin_cli "$1" "$CORES" 2; }
run_pipeline() {
    measure "$CORE" "$PIPELINE" "$BUILD/bin/SaveJPG.DLL" "$1" 100 75 "$CORPUS"/*/*.jpg
}
# Two workers: the even and the odd folders, side by side.
run_gm() {
    (cd "$CORPUS" && measure "$CORE" gm mogrify -output-directory "$1" -create-directories -size 200x200 \
        -thumbnail 100x100 -quality 75 ./*/*.jpg)
}
run_gm_2() {
    (cd "$CORPUS" && measure "$CORES" bash -c 'gm mogrify -output-directory "$1" -create-directories \
        -size 200x200 -thumbnail 100x100 -quality 75 ./day?[13579]/*.jpg & gm mogrify -output-directory "$1" \
        -create-directories -size 200x200 -thumbnail 100x100 -quality 75 ./day?[02468]/*.jpg; wait' gm "$1")
}
run_vips() {
    measure "$CORE" bash -c 'for d in "$1"/*/; do vipsthumbnail -s 100x100 -o "$2/%s.jpg[Q=75]" "$d"*.jpg || exit 1; done' \
        vips "$CORPUS" "$1"
}
run_vips_2() {
    measure "$CORES" bash -c 'ls -d "$1"/*/ | xargs -P 2 -I{} sh -c "vipsthumbnail -s 100x100 -o \"$2/%s.jpg[Q=75]\" {}*.jpg"' \
        vips "$CORPUS" "$1"
}
run_im() {
    measure "$CORE" bash -c 'for f in "$1"/*/*.jpg; do n=${f#"$1"/}; convert-im6.q16 "$f" -thumbnail 100x100 -quality 75 \
        "$2/${n//\//_}" || exit 1; done' im "$CORPUS" "$1"
}

# Runs one tool on the given cores, each library held to one thread; leaves "seconds peak-kilobytes"
# in $WORK/last.
measure() {
    local cores=$1
    shift
    VIPS_CONCURRENCY=1 MAGICK_THREAD_LIMIT=1 OMP_NUM_THREADS=1 \
        /usr/bin/time -o "$WORK/last" -f "%e %M" taskset -c "$cores" "$@" >"$WORK/log" 2>&1 ||
        { echo "  failed: $*"; tail -5 "$WORK/log"; echo "0 0" >"$WORK/last"; }
}

tools=()
[ -x "$CLI" ] && tools+=(veldrin_cli_1 veldrin_cli_2)
[ -n "$PIPELINE" ] && tools+=(pipeline)
tools+=(gm gm_2 vips vips_2)
[ "${SKIP_IM:-0}" = 1 ] || tools+=(im)
declare -A label=(
    [veldrin_cli_1]="veldrin-cli, 1 worker, 1 core"
    [veldrin_cli_2]="veldrin-cli, 2 workers, 2 cores"
    [pipeline]="veldrin pipeline (in-process)"
    [gm]="gm mogrify, 1 core"
    [gm_2]="gm mogrify, 2 workers, 2 cores"
    [vips]="vipsthumbnail, 1 core"
    [vips_2]="vipsthumbnail, 2 workers, 2 cores"
    [im]="convert-im6.q16, 1 core"
)
declare -A best_rate best_mem

# Warm the page cache so that no tool pays for the first read.
cat "$CORPUS"/*/*.jpg >/dev/null

for round in $(seq 1 "$ROUNDS"); do
    echo "Round $round/$ROUNDS"
    for t in "${tools[@]}"; do
        out=$WORK/out_$t
        rm -rf "$out"
        mkdir -p "$out"
        "run_$t" "$out"
        read -r secs kb <"$WORK/last"
        made=$(find "$out" -name '*.jpg' ! -path '*/pictures/*' | wc -l)
        [[ "$t" = veldrin_cli* ]] && made=$(find "$out/pictures" -name '*.jpg' | wc -l) && made=$((made - count))
        rate=$(awk -v n="$count" -v s="$secs" 'BEGIN { printf "%.1f", (s > 0 ? n / s : 0) }')
        printf '  %-32s %7.2f s  %7s pictures/s  %7.1f MB peak  (%d thumbnails)\n' \
            "${label[$t]}" "$secs" "$rate" "$(awk -v k="$kb" 'BEGIN { print k / 1024 }')" "$made"
        [ "$t" = pipeline ] && sed 's/^/    /' "$WORK/log"
        if awk -v a="$rate" -v b="${best_rate[$t]:-0}" 'BEGIN { exit !(a > b) }'; then
            best_rate[$t]=$rate
        fi
        [ "$kb" -gt "${best_mem[$t]:-0}" ] && best_mem[$t]=$kb
        rm -rf "$out"
    done
done

echo
echo "Best rate and highest peak of $ROUNDS rounds, $count photographs of 4000x3000, 100x100 thumbnails at quality 75:"
for t in "${tools[@]}"; do
    printf '  %-34s %7s pictures/s  %7.1f MB peak\n' "${label[$t]}" "${best_rate[$t]}" \
        "$(awk -v k="${best_mem[$t]}" 'BEGIN { print k / 1024 }')"
done
ratio() { awk -v a="${best_rate[$1]:-0}" -v b="${best_rate[$2]:-0}" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }
if [ -x "$CLI" ]; then
    echo "  veldrin-cli two workers / one worker:  $(ratio veldrin_cli_2 veldrin_cli_1) x the rate," \
        "$(awk -v a="${best_mem[veldrin_cli_2]}" -v b="${best_mem[veldrin_cli_1]}" 'BEGIN { printf "%.2f", a / b }') x the peak"
    echo "  veldrin-cli / gm mogrify:             $(ratio veldrin_cli_1 gm) x on one core, $(ratio veldrin_cli_2 gm_2) x on two"
    echo "  veldrin-cli / vipsthumbnail:          $(ratio veldrin_cli_1 vips) x on one core, $(ratio veldrin_cli_2 vips_2) x on two"
fi
