#!/usr/bin/env bash
# Kills veldrin-cli at random moments while it overwrites a catalogue (split pages in frames,
# thumbnails, a converted TGA) and saves its settings, then checks what is left: every page is the
# earlier or the new complete one, every thumbnail a complete JPEG, the settings file the old or the
# new version, and after one more run no temporary file of ours anywhere.
#
#   kill_test.sh CLI SAMPLES [KILLS]      KILLS defaults to 20 (VELDRIN_KILLS overrides)
set -euo pipefail
CLI=$1
SAMPLES=$2
KILLS=${VELDRIN_KILLS:-${3:-20}}
WORK=$(mktemp -d /tmp/veldrin-kill.XXXXXX)
[ -n "${VELDRIN_KEEP:-}" ] || trap 'rm -rf "$WORK"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Enough pictures that a run lasts long enough to be hit in all its phases.
PICS=$WORK/pics
mkdir -p "$PICS"
for i in 1 2 3 4; do cp -r "$SAMPLES" "$PICS/set$i"; done
cat > "$WORK/veldrin.ini" <<'INI'
[VELDRIN]
OUTHTMLTYPE=1
TRUERATIO=1
CREATESPIC=1
USEFRAME=1
FILELIMIT=1
FILECOUNT=5
SUBFS=1
USETABLE=1
INI

run() { # run TITLE [extra options]: one whole run titled TITLE that saves its settings
    local title=$1; shift
    "$CLI" --ini "$WORK/veldrin.ini" --save --set "HTMLTITLE=$title" --overwrite --convert-tga \
        --thumbnails=overwrite --quiet "$@" "$PICS" </dev/null
}

# The two complete versions: the pages and the settings file after a run titled A, then B.
pages() { (cd "$PICS" && find . -name '*.html' ! -name 'album.html' | sort); }
# A first run converts the TGA files, whose JPEG copies every later run lists too.
run A >/dev/null 2>&1 || fail "the first run failed"
run A >/dev/null 2>&1 || fail "the run titled A failed"
mkdir -p "$WORK/A" "$WORK/B"
pages | while read -r p; do mkdir -p "$WORK/A/$(dirname "$p")"; cp "$PICS/$p" "$WORK/A/$p"; done
cp "$WORK/veldrin.ini" "$WORK/A.ini"
start=$(date +%s%N)
run B >/dev/null 2>&1 || fail "the second run failed"
duration=$(( ($(date +%s%N) - start) / 1000 ))   # microseconds
pages | while read -r p; do mkdir -p "$WORK/B/$(dirname "$p")"; cp "$PICS/$p" "$WORK/B/$p"; done
cp "$WORK/veldrin.ini" "$WORK/B.ini"
[ "$(pages | wc -l)" -ge 3 ] || fail "expected a frame set, an index and parts"

check() {
    local p name
    while read -r p; do
        cmp -s "$PICS/$p" "$WORK/A/$p" || cmp -s "$PICS/$p" "$WORK/B/$p" ||
            fail "kill $1: $p is neither the earlier nor the new page"
    done < <(cd "$WORK/A" && find . -name '*.html' | sort)
    cmp -s "$WORK/veldrin.ini" "$WORK/A.ini" || cmp -s "$WORK/veldrin.ini" "$WORK/B.ini" ||
        fail "kill $1: the settings file is neither version"
    while IFS= read -r -d '' name; do
        [ "$(head -c 2 "$name" | od -An -tx1 | tr -d ' \n')" = ffd8 ] &&
            [ "$(tail -c 2 "$name" | od -An -tx1 | tr -d ' \n')" = ffd9 ] ||
            fail "kill $1: $name is not a complete JPEG"
    done < <(find "$PICS" -name '*.jpg' -newer "$WORK/A.ini" -print0)
}

title=A
for ((k = 1; k <= KILLS; k++)); do
    "$CLI" --ini "$WORK/veldrin.ini" --save --set "HTMLTITLE=$title" --overwrite --convert-tga \
        --thumbnails=overwrite --quiet "$PICS" </dev/null >/dev/null 2>&1 &
    pid=$!
    sleep "$(awk -v d="$duration" -v r="$RANDOM" 'BEGIN { printf "%.6f", d * (r / 32767.0) * 1.1 / 1e6 }')"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    check "$k"
    [ "$title" = A ] && title=B || title=A
done

# The next run finishes and removes whatever the killed ones left behind.
run A >/dev/null 2>&1 || fail "the run after the kills failed"
left=$(find "$WORK" -name '.veldrin-*' | head -5)
[ -z "$left" ] || fail "temporary files left: $left"
check final
echo "kill test: $KILLS kills, run of $((duration / 1000)) ms, pages, thumbnails and settings intact"
