#!/usr/bin/env bash
# Regenerates the embedded typeface and the four preset-arrow images in resources/
# from Debian's DejaVu Sans. Run it (as root, for apt) only when they are to change;
# the generated files are committed, so a normal build needs neither this program
# nor the font package.
set -euo pipefail
cd "$(dirname "$0")/.."

font=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
if [ ! -f "$font" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends fonts-dejavu-core
fi

build=build-resource-generator
cmake -S tools/resource-generator -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"

generator=$(find "$build" -type f -name QuillmorResourceGenerator -perm -u+x | head -n 1)
"$generator" "$font" resources

# The typeface's glyphs come from DejaVu Sans: its licence travels with them.
cp /usr/share/doc/fonts-dejavu-core/copyright resources/DejaVuSans-LICENSE.txt
