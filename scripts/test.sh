#!/bin/sh
# Installs what the tests need (g++, CMake, make, GoogleTest, nlohmann/json, Chromium with a
# Japanese font for the browser test, and locales, from which a test makes a locale with a
# decimal comma), builds the program and its tests in build-tests/ (or in the directory given),
# and runs every test. The shell that runs it stays where it was.
set -eu
cd "$(dirname "$0")/.."
build=${1:-build-tests}
. scripts/install-packages.sh
install_packages g++ cmake make libgtest-dev nlohmann-json3-dev chromium fonts-noto-cjk locales
cmake -S . -B "$build" -DQUORVANTELMIX_TESTS=ON
cmake --build "$build" -j "$(nproc)"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
