#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in the normal build and
# in the AddressSanitizer + UndefinedBehaviorSanitizer build. Then builds the Debian package,
# checks it, and runs the installed program once (scripts/package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh --tests
for preset in default asan; do
    echo "== ${preset} build"
    cmake --preset "${preset}" >/dev/null
    cmake --build --preset "${preset}"
    ctest --preset "${preset}"
done
echo "== package"
./scripts/package.sh --install
