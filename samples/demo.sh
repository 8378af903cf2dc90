#!/bin/sh
# Runs every program of the suite on a fresh copy of the bundled sample job and
# prints what each one wrote. Usage: samples/demo.sh [BUILD_DIR]
# It installs the build tools (Debian packages) and builds the suite first.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac

if ! command -v cmake >/dev/null 2>&1 || ! command -v g++ >/dev/null 2>&1; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y g++ cmake ninja-build
fi
if [ ! -f "$build/CMakeCache.txt" ]; then
    gen=""
    command -v ninja >/dev/null 2>&1 && gen="-G Ninja"
    cmake -S "$top" -B "$build" $gen -DCADASTRO_TESTS=OFF -DCADASTRO_GUI=OFF >/dev/null
fi
cmake --build "$build" >/dev/null
bin=$build/bin

work=$top/out/demo
rm -rf "$work"
mkdir -p "$work"
cp -R "$top/samples/job/." "$work/"
cd "$work"

# Exchange files are 80-character records without line ends: one per line.
show_records() {
    [ -f "$1" ] || return 0
    printf '\n--- %s (%s bytes)\n' "$1" "$(wc -c <"$1" | tr -d ' ')"
    fold -w 80 "$1" | head -n "${2:-12}"
    n=$(( $(wc -c <"$1") / 80 ))
    [ "$n" -le "${2:-12}" ] || printf '... (%d records in all)\n' "$n"
}
# Logs are written in code page 850.
show_log() {
    [ -f "$1" ] || return 0
    printf '\n--- %s\n' "$1"
    iconv -f CP850 -t UTF-8 "$1" 2>/dev/null | head -n "${2:-20}" || head -n "${2:-20}" "$1"
}
# dBase tables: the records after the header, one per line, deletion flag first.
show_table() {
    [ -f "$1" ] || return 0
    hl=$(od -An -tu2 -j8 -N2 "$1" | tr -d ' ')
    rl=$(od -An -tu2 -j10 -N2 "$1" | tr -d ' ')
    printf '\n--- %s (records of %s bytes)\n' "$1" "$rl"
    { tail -c +$((hl + 1)) "$1" | tr -d '\032' | fold -w "$rl"; echo; } | head -n "${2:-8}"
}
run() {
    printf '\n===== %s\n' "$*"
    status=0
    "$bin/$@" || status=$?
    printf '(exit status %d)\n' "$status"
}

run puntos TREN
show_records P
show_log P.err

run textos TREN
show_records X
show_log X.err

run tramos TREN
show_records T.1
show_log T.err
printf '\n--- error-marker files (bytes)\n'
wc -c ./*.T
printf '\n--- A, as tramos writes it (lines)\n'
head -n 6 A

run atributos A CALLES
show_records A

# The surfaces file: labels with the parcel table's values, REFCAT.TXT's sheet codes.
run superficies TREN --manzana-duplicada --calle-cero --portal-cero
show_records S
show_log S.err
printf '\n--- error-marker files of superficies (bytes)\n'
wc -c ./*.S

run PonRotulos SVK1200S.bin '1452??' . PARCELAS ROTULO
show_table PARCELAS.DBF

# QUIRAN: the exchange files back into element files, in a directory of their
# own whose active table is the parcel table without its records. The element
# files of each sheet put together and exported again give the same exchange
# files, but for block records whose sheet code REFCAT.TXT gives under another
# parcel of the block (the import refers a block label to all its parcels).
imp=$work/import
mkdir -p "$imp"
cp TREN CATASTRO.TAB CATDBS.DBF REFCAT.TXT QUIRAN.TAB T.1 P X S "$imp/"
hl=$(od -An -tu2 -j8 -N2 PARCELAS.DBF | tr -d ' ')
head -c "$hl" PARCELAS.DBF >"$imp/PARCELAS.DBF"
printf '\0\0\0\0' | dd of="$imp/PARCELAS.DBF" bs=1 seek=4 conv=notrunc 2>/dev/null
printf '\032' >>"$imp/PARCELAS.DBF"
cd "$imp"
for f in T.1 P X S; do run QUIRAN "$f" --table PARCELAS --yes; done
show_log QUIRAN.ERR
show_table PARCELAS.DBF
for f in "$work"/*.bin; do
    s=$(basename "$f" .bin)
    cat "$s.T" "$s.P" "$s.X" "$s.S" >"$s.bin"
done
run tramos TREN
run puntos TREN
run textos TREN
run superficies TREN
printf '\n--- exported again, against the first exports\n'
for f in T.1 P X S; do
    if cmp -s "$f" "$work/$f"; then
        printf '%s: the same\n' "$f"
    else
        printf '%s: records that differ (< first, > again)\n' "$f"
        fold -w 80 "$work/$f" >first.txt
        fold -w 80 "$f" >again.txt
        diff first.txt again.txt | grep '^[<>]' || true
    fi
done
