#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Sourced by
# install.sh and test.sh so both always ask for the same list.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends \
    ca-certificates cmake g++ ninja-build pkg-config \
    juce-modules-source libgtest-dev libbenchmark-dev \
    xvfb xauth \
    clang libclang-rt-14-dev \
    locales

# The tests write and read state with the process in a decimal-comma locale, as
# hosts that take the user's locale run us.
localedef -i de_DE -f UTF-8 de_DE.UTF-8
