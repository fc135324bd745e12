#!/usr/bin/env bash
# Installs what the build needs, builds the plug-in in Release and installs it
# for the current user.
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build
