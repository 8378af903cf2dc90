#!/bin/sh
# Installs what the tests need (Debian packages), builds the suite twice (a
# plain build with the dialogs, and one with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs the whole test suite in both.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
$sudo apt-get update
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    g++ cmake ninja-build googletest libgtest-dev libgmock-dev python3 python3-dbfread \
    qt6-base-dev xvfb xauth libgl-dev

jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build -j"$jobs" --output-on-failure

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCADASTRO_SANITIZE=ON -DCADASTRO_GUI=OFF
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-sanitize -j"$jobs" --output-on-failure
