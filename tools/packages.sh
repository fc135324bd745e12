#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Sourced by
# install.sh and test.sh so both always ask for the same list.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
# fonts-dejavu-core: a system sans-serif with Greek and Cyrillic, from which the editor
# borrows the characters its own typeface lacks (the tests check that it does).
apt-get install -y --no-install-recommends \
    ca-certificates cmake g++ ninja-build pkg-config \
    juce-modules-source libgtest-dev libbenchmark-dev \
    xvfb xauth fonts-dejavu-core \
    clang libclang-rt-14-dev \
    locales

# The tests write and read state with the process in a decimal-comma locale, as
# hosts that take the user's locale run us.
localedef -i de_DE -f UTF-8 de_DE.UTF-8
