#!/usr/bin/env bash
# Installs what the build needs, then builds and runs every test twice: once as
# released (Release) and once under AddressSanitizer and UndefinedBehaviorSanitizer;
# then the audio-against-other-threads stress test under ThreadSanitizer; last, a
# brief fuzz run of the host-state, preset-file and clipboard inputs.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh

run_suite () {
    local folder=$1
    shift
    cmake -S . -B "$folder" -G Ninja "$@"
    cmake --build "$folder"
    ctest --test-dir "$folder" --output-on-failure --no-tests=error -j "$(nproc)"
}

run_suite build-tests -DCMAKE_BUILD_TYPE=Release
run_suite build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMOR_SANITIZE=ON -DQUILLMOR_BUILD_BENCH=OFF

cmake -S . -B build-thread -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILLMOR_SANITIZE_THREAD=ON -DQUILLMOR_BUILD_BENCH=OFF
cmake --build build-thread --target plugin_tests
ctest --test-dir build-thread --output-on-failure --no-tests=error -R '^ProcessorStress[.]'

bash tools/fuzz.sh 60
