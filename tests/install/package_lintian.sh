#!/usr/bin/env bash
# Builds the Debian package from the build tree and has lintian judge it; an error fails.
# usage: package_lintian.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$tmp" && cpack --config "$build/CPackConfig.cmake" -B "$tmp" >cpack.log 2>&1) ||
    { cat "$tmp/cpack.log"; fail "cpack"; }
deb=$(ls "$tmp"/veldrin_*.deb)
# dpkg-shlibdeps must have found the libraries the programs and the module really link.
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6core6 libqt6widgets6 libturbojpeg0 libglib2.0-0 libc6; do
    grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
dpkg-deb -c "$deb" | grep ' \./usr/lib/veldrin/SaveJPG\.DLL$' >/dev/null || fail "the module is not in the package"
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian"
echo "$(basename "$deb"): lintian finds no errors"
