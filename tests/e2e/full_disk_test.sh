#!/usr/bin/env bash
# A run on a disk that is full: it ends with a clear message and a non-zero status, and the earlier
# catalogue is left exactly as it was. Needs a small tmpfs; skipped (status 77) where none can be
# mounted.
#
#   full_disk_test.sh CLI SAMPLES
set -euo pipefail
CLI=$1
SAMPLES=$2
WORK=$(mktemp -d /tmp/veldrin-full.XXXXXX)
DISK=$WORK/disk
mkdir -p "$DISK"
cleanup() { umount "$DISK" 2>/dev/null || true; rm -rf "$WORK"; }
trap cleanup EXIT
if ! mount -t tmpfs -o size=1m tmpfs "$DISK" 2>/dev/null; then
    echo "SKIP: no tmpfs can be mounted here (needs root outside a restricted container)"
    exit 77
fi
fail() { echo "FAIL: $*" >&2; exit 1; }

cp -r "$SAMPLES" "$DISK/pics"
ini=$WORK/veldrin.ini
printf '[VELDRIN]\r\nOUTHTMLTYPE=2\r\nSUBFS=1\r\nFILELIMIT=1\r\nFILECOUNT=4\r\n' > "$ini"
"$CLI" --ini "$ini" --quiet "$DISK/pics" </dev/null 2>/dev/null || fail "the first run failed"
before=$(cd "$DISK/pics" && find . -name '*.html' ! -name album.html -exec md5sum {} + | sort)
[ -n "$before" ] || fail "the first run wrote no pages"

# Fill the disk, then run again with another title and thumbnails on.
dd if=/dev/zero of="$DISK/filler" bs=4k 2>/dev/null || true
set +e
err=$("$CLI" --ini "$ini" --overwrite --set HTMLTITLE=again --set OUTHTMLTYPE=1 --set TRUERATIO=1 \
    --set CREATESPIC=1 --thumbnails=overwrite "$DISK/pics" </dev/null 2>&1 >/dev/null)
status=$?
set -e
[ "$status" -ne 0 ] || fail "a run on a full disk reported success: $err"
grep -q 'ディスクの空き容量が不足しています' <<<"$err" || fail "no clear message: $err"
after=$(cd "$DISK/pics" && find . -name '*.html' ! -name album.html -exec md5sum {} + | sort)
[ "$before" = "$after" ] || fail "the earlier catalogue changed"
left=$(find "$DISK" -name '.veldrin-*')
[ -z "$left" ] || fail "temporary files left: $left"
echo "full disk: status $status, earlier pages intact; said: $(grep -m1 'ディスク' <<<"$err")"
