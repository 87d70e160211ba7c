#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program on the sample data file.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/setup-deps.sh
cmake -S . -B build -G Ninja
cmake --build build
exec build/app/brelvanto "$@"
