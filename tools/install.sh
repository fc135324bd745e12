#!/usr/bin/env bash
# Installs what the build needs, builds the plug-in in Release and installs the
# LV2 and VST3 bundles for the current user (~/.lv2 and ~/.vst3).
set -euo pipefail
cd "$(dirname "$0")/.."
source tools/packages.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLMOR_COPY_PLUGIN_AFTER_BUILD=ON
cmake --build build
echo "Installed: $HOME/.lv2/QuillmorPelowin.lv2 and $HOME/.vst3/QuillmorPelowin.vst3"
echo "Standalone: $(pwd)/build/plugin/QuillmorPelowin_artefacts/Release/Standalone/QuillmorPelowin"
