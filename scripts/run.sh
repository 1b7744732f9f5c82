#!/usr/bin/env bash
# Installs what is missing, builds, and starts VX-470 Remote. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target vx470 vx470-sim
exec ./build/default/desktop/vx470 "$@"
