#!/usr/bin/env bash
# Regenerates the embedded typeface and the four preset-arrow images in resources/
# from Debian's Liberation Sans Narrow. Run it (as root, for apt) only when they are
# to change; the generated files are committed, so a normal build needs neither this
# program nor the font package.
set -euo pipefail
cd "$(dirname "$0")/.."

# A narrow face: the logo and the knob labels are drawn into fixed boxes, and a
# wider one would end them in an ellipsis.
font=/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Regular.ttf
if [ ! -f "$font" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends fonts-liberation
fi

build=build-resource-generator
cmake -S tools/resource-generator -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"

generator=$(find "$build" -type f -name QuillmorResourceGenerator -perm -u+x | head -n 1)
"$generator" "$font" resources

# The typeface's glyphs come from Liberation Sans Narrow: its licence travels with them.
cp /usr/share/doc/fonts-liberation/copyright resources/LiberationSansNarrow-LICENSE.txt
