#!/usr/bin/env bash
# Regenerates the embedded typeface and the four preset-arrow images in resources/
# from Debian's Roboto Condensed. Run it (as root, for apt) only when they are to
# change; the generated files are committed, so a normal build needs neither this
# program nor the font package.
set -euo pipefail
cd "$(dirname "$0")/.."

# A narrow face: the logo and the knob labels are drawn into fixed boxes, and a
# wider one would end them in an ellipsis. Its Apache-2.0 licence, unlike a
# GPL-2-only one, allows it inside our GPL-3 binary.
font=/usr/share/fonts/truetype/roboto/unhinted/RobotoCondensed-Regular.ttf
if [ ! -f "$font" ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends fonts-roboto-unhinted
fi

build=build-resource-generator
cmake -S tools/resource-generator -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build"

generator=$(find "$build" -type f -name QuillmorResourceGenerator -perm -u+x | head -n 1)
"$generator" "$font" resources

# The typeface's glyphs come from Roboto Condensed: its licence travels with them,
# Debian's copyright file followed by the Apache-2.0 text it refers to.
cat /usr/share/doc/fonts-roboto-unhinted/copyright /usr/share/common-licenses/Apache-2.0 \
    > resources/RobotoCondensed-LICENSE.txt
