#!/usr/bin/env bash
# Installs what the build needs, builds everything with the tests and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
cmake -S . -B build-tests -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build-tests
ctest --test-dir build-tests --output-on-failure --no-tests=error -j "$(nproc)"
