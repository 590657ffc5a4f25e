#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR and runs the installed veldrin-cli from there, the way
# a packaged program runs: from a program folder it cannot write, with its JPEG module in lib/veldrin.
# usage: install_tree.sh BUILD_DIR SAMPLES_DIR
set -euo pipefail
build=$1 samples=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
chmod 755 "$tmp"
fail() { echo "FAIL: $*" >&2; exit 1; }

root=$tmp/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
for f in bin/veldrin bin/veldrin-cli lib/veldrin/SaveJPG.DLL share/applications/veldrin.desktop \
    share/icons/hicolor/scalable/apps/veldrin.svg share/man/man1/veldrin.1.gz share/man/man1/veldrin-cli.1.gz \
    share/bash-completion/completions/veldrin-cli share/doc/veldrin/README.md share/doc/veldrin/copyright \
    share/doc/veldrin/changelog.gz share/doc/veldrin/samples/landscape.jpg \
    share/doc/veldrin/docs/screenshots/main-default.png; do
    [ -f "$root/usr/$f" ] || fail "not installed: /usr/$f"
done
ls "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null || fail "no metainfo installed"
[ -e "$root/usr/bin/SaveJPG.DLL" ] && fail "a JPEG module sits beside the installed programs"
gzip -dc "$root/usr/share/man/man1/veldrin-cli.1.gz" | grep -q '^\.I /usr/lib/veldrin/SaveJPG.DLL$' ||
    fail "the manual page does not name the installed module's path"

# The run's user must not be able to write the program folder; root can write anywhere.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
else
    chmod a-w "$root/usr/bin"
fi
run() { # run NAME: a fresh copy of the samples and a fresh configuration folder
    rm -rf "$tmp/pics" "$tmp/config" "$tmp/out"
    cp -r "$samples" "$tmp/pics"
    mkdir "$tmp/config"
    [ "$(id -u)" -eq 0 ] && chown -R 65534:65534 "$tmp/pics" "$tmp/config"
    env -i PATH=/usr/bin:/bin LC_ALL=C.UTF-8 HOME="$tmp" XDG_CONFIG_HOME="$tmp/config" \
        "${as_user[@]}" "$root/usr/bin/veldrin-cli" --set OUTHTMLTYPE=1 --set TRUERATIO=1 --set CREATESPIC=1 \
        --set SUBFS=1 --thumbnails=overwrite --save "$tmp/pics" >"$tmp/out" 2>&1 ||
        { cat "$tmp/out"; fail "$1: veldrin-cli failed"; }
}

run "installed"
list=$tmp/pics/list.html
[ -f "$list" ] || fail "no catalogue written"
grep -q 'SaveJPG' "$tmp/out" && { cat "$tmp/out"; fail "the installed program did not find its module"; }
thumbs=$(find "$tmp/pics" -name 'tm_*.jpg' | wc -l)
[ "$thumbs" -ge 10 ] || fail "only $thumbs thumbnails written"
grep -q 'tm_landscape\.jpg' "$list" || fail "the catalogue does not show the thumbnails"
file -b "$tmp/pics/tm_landscape.jpg" | grep -q '^JPEG' || fail "tm_landscape.jpg is not a JPEG"
ini=$tmp/config/veldrin/veldrin.ini
[ -f "$ini" ] || fail "the settings were not kept in \$XDG_CONFIG_HOME/veldrin/veldrin.ini"
[ -e "$root/usr/bin/veldrin.ini" ] && fail "settings written into the program folder"
[ "$(grep -c '^[A-Z_0-9]*=' "$ini")" -eq 34 ] || fail "the settings file does not hold the 34 keys"
grep -q '^CREATESPIC=1' "$ini" || fail "the saved settings lost CREATESPIC"

# Without the module in lib/veldrin the same run must say so and write no thumbnails: the
# checks above really saw the installed module at work.
mv "$root/usr/lib/veldrin/SaveJPG.DLL" "$tmp/SaveJPG.DLL"
run "without the module"
grep -q 'SaveJPG.DLL' "$tmp/out" || fail "a missing module went unreported"
grep -q "/usr/lib/veldrin/" "$tmp/out" || fail "the warning does not name the installed system folder"
[ -z "$(find "$tmp/pics" -name 'tm_*.jpg')" ] || fail "thumbnails written without the module"
echo "installed layout: $thumbs thumbnails, settings in \$XDG_CONFIG_HOME"
