#!/bin/sh
# Times every built program over a generated large job.
# Usage: bench/jobs.sh [BUILD_DIR] [SHEETS] [BLOCKS]
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$top/build-release}
sheets=${2:-200}
blocks=${3:-12}
case $build in /*) ;; *) build=$(pwd)/$build ;; esac
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCADASTRO_TESTS=OFF -DCADASTRO_GUI=OFF >/dev/null
fi
cmake --build "$build" >/dev/null
bin=$build/bin
job=${TMPDIR:-/tmp}/cadastro-bench-job
rm -rf "$job"
"$bin/mkjob" "$job" --sheets "$sheets" --blocks "$blocks"
cd "$job"
du -sh . | sed 's/^/job size: /'
timed() {
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" -v c="$(basename "$1")" 'BEGIN { printf "%-14s %7.3f s\n", c, e - s }'
}
for p in puntos textos tramos superficies; do
    if [ -x "$bin/$p" ]; then timed "$bin/$p"; fi
done
if [ -x "$bin/atributos" ] && [ -f CALLES ]; then timed "$bin/atributos"; fi
ls -la P X T.* S A 2>/dev/null || true
