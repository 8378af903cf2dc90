#!/bin/sh
# Pictures of the programs' dialogs under Xvfb, for the docs folder.
# usage: gui/screenshots.sh [BUILD_DIR] [OUT_DIR] [PROGRAM...]
# Each program is started with --gui and CADASTRO_DIALOG_SNAPSHOT, which makes
# the dialog save a picture of itself and return. A program whose dialog is
# added later only needs its name in the list below (or on the command line).
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-"$here/build"}
out=${2:-"$here/docs"}
[ $# -gt 0 ] && shift
[ $# -gt 0 ] && shift
programs=${*:-"puntos textos tramos atributos superficies QUIRAN"}
build=$(cd "$build" && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/obra-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
for p in $programs; do
    [ -x "$build/bin/$p" ] || { echo "no $build/bin/$p" >&2; exit 1; }
    # An empty working folder: the dialogs show their initial values.
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" \
        env -u QT_QPA_PLATFORM CADASTRO_DIALOG_SNAPSHOT="$out/$p.png" \
        "$build/bin/$p" -C "$work" --gui
    echo "$out/$p.png"
done
