#!/bin/sh
# Installs what the program needs (g++, CMake, make), builds it in build/, and runs it twice in
# play/: the first run writes the default settings file Quorvantelmix.ini, the second reads it
# and writes Quorvantelmix.txt and Quorvantelmix.html. Run it again after editing
# play/Quorvantelmix.ini. The shell that runs it stays where it was.
set -eu
cd "$(dirname "$0")/.."
. scripts/install-packages.sh
install_packages g++ cmake make
cmake -S . -B build -DQUORVANTELMIX_TESTS=OFF
cmake --build build -j2
mkdir -p play
cd play
for run in first second; do
  status=0
  ../build/quorvantelmix || status=$?
  echo "(the $run run ended with exit status $status)"
done
echo "In $(pwd):"
ls -l
