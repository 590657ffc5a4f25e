#!/usr/bin/env bash
# Photographs the desktop program for the README: the real veldrin on a virtual X server (not the
# offscreen platform), driven with xdotool, each window grabbed into docs/screenshots/.
# Usage: scripts/screenshots.sh BUILD_DIR
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-build}" && pwd)"
if [ "${VELDRIN_SHOTS_X:-}" != 1 ]; then
    "$repo/scripts/install-deps.sh" screenshots
    exec env VELDRIN_SHOTS_X=1 xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi

out="$repo/docs/screenshots"
grab="$build/tools/grab_window"
work="$(mktemp -d)"
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$out"
cp -R "$repo/samples" "$work/写真"

# start NAME INI_LINES...: the program in a program folder of its own with these settings; sets wid.
start() {
    local dir="$work/$1"
    shift
    mkdir -p "$dir"
    cp "$build/bin/veldrin" "$build/bin/SaveJPG.DLL" "$dir/"
    printf '%s\r\n' '[VELDRIN]' "FOLDER=$work/写真/" 'BGCOLOR1=3412' "$@" |
        iconv -f UTF-8 -t SHIFT_JIS >"$dir/veldrin.ini"
    (cd "$dir" && exec ./veldrin) >"$dir/log" 2>&1 &
    pid=$!
    wid="$(xdotool search --sync --onlyvisible --name '^VELDRIN$' | head -n 1)"
    xdotool windowfocus --sync "$wid"
    sleep 1 # the first paint
}

stop() {
    kill "$pid" && wait "$pid" 2>/dev/null || true
    pid=""
}

# await TITLE_REGEX: waits for the window of that title to show; sets id.
await() {
    id="$(xdotool search --sync --onlyvisible --name "$1" | head -n 1)"
    sleep 1
}

# shot FILE TITLE_REGEX: waits for the window of that title and grabs it.
shot() {
    await "$2"
    "$grab" grab "$id" "$out/$1"
    echo "wrote docs/screenshots/$1"
}

start default
shot main-default.png '^VELDRIN$'
stop

start thumbnails 'OUTHTMLTYPE=1' 'USETABLE=1' 'TRUERATIO=1' 'CREATESPIC=1' 'FILESTATUS_ATTR=1111111' 'SUBFS=1'
shot main-thumbnails.png '^VELDRIN$'

# The dialogs, opened as a user opens them: the file menu, a click on a colour swatch, the help menu.
xdotool key --clearmodifiers alt+f
sleep 0.5
xdotool key o
await 'フォルダ選択'
xdotool mousemove --window "$id" 60 85 click 1 # the second file of the list, for its preview
shot folder-select.png 'フォルダ選択'
xdotool key Escape
sleep 0.5

read -r x y < <("$grab" find "$wid" 540D00)
xdotool mousemove --window "$wid" "$x" "$y" click 1
shot color-select.png '色の設定'
xdotool key Escape
sleep 0.5

xdotool windowfocus --sync "$wid"
xdotool key --clearmodifiers alt+h
sleep 0.5
xdotool key a
shot version.png 'バージョン情報'
xdotool key Return
stop
