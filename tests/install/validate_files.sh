#!/usr/bin/env bash
# Runs Debian's validators over the installed desktop entry, metainfo and manual pages, and checks
# that the manual page and the bash completion know every option and settings key the program has.
# usage: validate_files.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Any message of a validator counts: they print nothing for a clean file.
quiet() { # quiet NAME COMMAND...
    local out
    if ! out=$("${@:2}" 2>&1) || [ -n "$out" ]; then
        printf '%s\n' "$out" >&2
        fail "$1"
    fi
}

root=$tmp/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
share=$root/usr/share

quiet "desktop-file-validate" desktop-file-validate "$share/applications/veldrin.desktop"
out=$(appstreamcli validate --no-net --no-color "$share"/metainfo/*.metainfo.xml 2>&1) ||
    { printf '%s\n' "$out" >&2; fail "appstreamcli validate"; }
man_warnings() { LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$1" 2>&1 >/dev/null; }
for page in veldrin veldrin-cli; do
    quiet "man --warnings $page.1" man_warnings "$share/man/man1/$page.1.gz"
done

cli=$root/usr/bin/veldrin-cli
man=$(LC_ALL=C.UTF-8 MANWIDTH=200 man -E UTF-8 -l "$share/man/man1/veldrin-cli.1.gz")
completion=$share/bash-completion/completions/veldrin-cli
options=$("$cli" --help | grep -o -- '--[a-z][a-z-]*' | sort -u)
[ "$(wc -l <<<"$options")" -ge 10 ] || fail "could not read the options from --help"
in_man=$(grep -Eo -- '^ {7}(-h, )?--[a-z][a-z-]*' <<<"$man" | grep -o -- '--[a-z-]*' | sort -u)
[ "$in_man" = "$options" ] || fail "veldrin-cli(1) describes $(echo $in_man), the program has $(echo $options)"
in_completion=$(grep -o -- '--[a-z][a-z-]*' "$completion" | sort -u)
[ "$in_completion" = "$options" ] || fail "the completion offers $(echo $in_completion)"

# The keys as the program writes them, against both pages and the completion.
: >"$tmp/keys.ini"
mkdir "$tmp/empty"
"$cli" --ini "$tmp/keys.ini" --save --quiet "$tmp/empty" >/dev/null 2>&1 || true
keys=$(sed -n 's/^\([A-Z_0-9]*\)=.*/\1/p' "$tmp/keys.ini")
[ "$(wc -w <<<"$keys")" -eq 34 ] || fail "the program wrote $(wc -w <<<"$keys") keys, not 34"
for page in veldrin veldrin-cli; do
    documented=$(gzip -dc "$share/man/man1/$page.1.gz" | sed -n '/^\.SS Keys/,/^\.SH/p' |
        sed -n 's/^\.B \([A-Z][A-Z_0-9]*\)$/\1/p' | sort)
    [ "$documented" = "$(sort <<<"$keys")" ] || fail "$page(1) does not list exactly the 34 keys"
done

# Completion as bash runs it, through bash-completion's own helpers.
complete_words() { # complete_words WORD... : the replies for the last word
    bash -c 'source /usr/share/bash-completion/bash_completion; source "$1"; shift
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _veldrin_cli; printf "%s\n" "${COMPREPLY[@]}" | sort' _ "$completion" "$@"
}
[ "$(complete_words veldrin-cli --thumbnails '')" = $'keep\noverwrite' ] || fail "--thumbnails values"
[ "$(complete_words veldrin-cli --thumbnails=o)" = "overwrite" ] || fail "--thumbnails=o"
[ "$(complete_words veldrin-cli --set spicname)" = $'SPICNAME=\nSPICNAME_DIST=' ] || fail "--set keys"
[ "$(complete_words veldrin-cli --set '')" = "$(sed 's/$/=/' <<<"$keys" | sort)" ] || fail "--set lists the keys"
[ "$(complete_words veldrin-cli --conv)" = "--convert-tga" ] || fail "option names"
echo "validators clean; $(wc -l <<<"$options") options and 34 keys documented and completed"
