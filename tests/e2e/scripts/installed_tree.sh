#!/usr/bin/env bash
# Installs the build tree into a temporary DESTDIR and checks what a desktop
# needs: every file is there, the desktop entry, the metainfo and the MIME
# type pass their validators, the manual pages render without warnings, and
# xdg-mime (generic desktop, shared-mime-info database of the tree) tells a
# recorded data file from plain and empty .txt files.
#   installed_tree.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
root=$tmp/root
share=$root/usr/share
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# quiet COMMAND...: the command succeeds and prints nothing.
quiet() {
    local out
    out=$("$@" 2>&1) || { fail "$*: $out"; return; }
    [ -z "$out" ] || fail "$*: $out"
}

DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null || { echo "FAIL: install"; exit 1; }

programs=(vavirir-cli vavirir-sim)
gui=0
if [ -x "$build/vavirir" ]; then
    programs+=(vavirir)
    gui=1
fi
for p in "${programs[@]}"; do
    [ -x "$root/usr/bin/$p" ] || fail "no program $p"
    "$root/usr/bin/$p" --version >/dev/null || fail "$p --version"
done
for page in vavirir vavirir-cli vavirir-sim; do
    file=$share/man/man1/$page.1
    [ -f "$file" ] || { fail "no manual page $page.1"; continue; }
    out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$file" 2>&1 >/dev/null)
    [ -z "$out" ] || fail "manual page $page.1: $out"
    grep -q '@' "$file" && fail "manual page $page.1 holds an unreplaced @VARIABLE@"
done
completion=$share/bash-completion/completions/vavirir-cli
[ -f "$completion" ] && quiet bash -n "$completion" || fail "bash completion"

mime_xml=$share/mime/packages/vavirir.xml
quiet xmllint --noout "$mime_xml"
if [ "$gui" -eq 1 ]; then
    for f in vavirir/help.html icons/hicolor/scalable/apps/vavirir.svg \
        icons/hicolor/48x48/apps/vavirir.png icons/hicolor/256x256/apps/vavirir.png; do
        [ -s "$share/$f" ] || fail "no $f"
    done
    for size in 48 256; do
        file "$share/icons/hicolor/${size}x${size}/apps/vavirir.png" |
            grep -q "PNG image data, $size x $size" || fail "the $size px icon is not $size px"
    done
    desktop=$share/applications/vavirir.desktop
    quiet desktop-file-validate "$desktop"
    grep -qx 'MimeType=application/x-vavirir-data;' "$desktop" || fail "desktop entry: MimeType"
    grep -qE '^Exec=vavirir %F$' "$desktop" || fail "desktop entry: Exec"
    appstreamcli validate --no-net --no-color "$share/metainfo/org.vavirir.Vavirir.metainfo.xml" ||
        fail "appstreamcli validate"
fi

# The MIME database of the installed tree alone, asked as a generic desktop.
XDG_DATA_HOME=$share quiet update-mime-database "$share/mime"
filetype() {
    env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID \
        XDG_DATA_HOME="$share" XDG_DATA_DIRS=/usr/share xdg-mime query filetype "$1"
}
"$build/vavirir-cli" replay --hex "$source_dir/tests/data/sample-stream.hex" \
    --out-dir "$tmp/recorded" >/dev/null || fail "replay"
python3 - "$source_dir/tools" "$tmp" <<'PY' || fail "writing the sample files"
import sys
sys.path.insert(0, sys.argv[1])
import make_datafiles as mf
body = mf.body(1.0, "V", 0.0, 0, "1/2/2018 3:4:5", "Max")
# Only companion records: the class descriptor stands after two counts.
with open(sys.argv[2] + "/companions-only.txt", "wb") as f:
    f.write(mf.count(0) + mf.count(1) + mf.NEW_CLASS + mf.class_descriptor() + body +
            mf.count(0) + mf.summary())
PY
printf 'Readings\n1.5 V\n' >"$tmp/plain.txt"
printf 'xxCObData is just a word here\n' >"$tmp/near-miss.txt"
: >"$tmp/zero.txt"
for f in "$tmp/recorded/recording-2.txt" "$tmp/companions-only.txt"; do
    [ "$(filetype "$f")" = application/x-vavirir-data ] || fail "$f is $(filetype "$f")"
done
# recording-1.txt is a recorded document without records.
for f in "$tmp/recorded/recording-1.txt" "$tmp/plain.txt" "$tmp/near-miss.txt" "$tmp/zero.txt"; do
    [ "$(filetype "$f")" != application/x-vavirir-data ] || fail "$f is claimed as a data file"
done
[ "$(filetype "$tmp/plain.txt")" = text/plain ] || fail "plain.txt is $(filetype "$tmp/plain.txt")"

[ "$failures" -eq 0 ] || exit 1
echo "installed tree: every file present, validators and MIME checks pass"
