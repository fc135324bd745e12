#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Sourced by
# install.sh and test.sh so both always ask for the same list.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
# fonts-dejavu-core: a system sans-serif with Greek and Cyrillic, from which the editor
# borrows the characters its own typeface lacks (the tests check that it does).
# lv2-dev: the build does not need it, but LV2 developers and many users have its
# bundles in /usr/lib/lv2, and JUCE's LV2 host reads them while the tests load ours.
# x11-utils: xwininfo, with which the Standalone test sees its window shown.
apt-get install -y --no-install-recommends \
    ca-certificates cmake g++ ninja-build pkg-config \
    juce-modules-source libgtest-dev libbenchmark-dev \
    xvfb xauth x11-utils fonts-dejavu-core \
    clang libclang-rt-14-dev \
    locales lv2-dev

# The tests write and read state with the process in a decimal-comma locale, as
# hosts that take the user's locale run us.
localedef -i de_DE -f UTF-8 de_DE.UTF-8
