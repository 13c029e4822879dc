#!/bin/sh
# Installs what the program needs (g++, CMake, make), builds it in build/, and runs it in play/:
# where there is no settings file yet, a first run writes the default Quorvantelmix.ini, and the
# run after it reads it and writes Quorvantelmix.txt and Quorvantelmix.html. Run it again after
# editing play/Quorvantelmix.ini. The shell that runs it stays where it was.
set -eu
cd "$(dirname "$0")/.."
. scripts/install-packages.sh
install_packages g++ cmake make
cmake -S . -B build -DQUORVANTELMIX_TESTS=OFF
cmake --build build -j "$(nproc)"
mkdir -p play
cd play

# Runs the program once and says how it ended.
run_once() {
  status=0
  ../build/quorvantelmix || status=$?
  echo "(the program ended with exit status $status)"
}

if [ ! -e Quorvantelmix.ini ]; then
  run_once  # writes the default settings file
fi
run_once
echo "In $(pwd):"
ls -l
