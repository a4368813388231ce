#!/usr/bin/env bash
# Builds and runs every test twice: the default build and the AddressSanitizer +
# UndefinedBehaviorSanitizer build. Exits non-zero on the first failure.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
# shellcheck source=tools/deps.sh
source tools/deps.sh
bvhio_ensure_packages

for preset in default asan; do
    echo "== $preset: configure, build, test" >&2
    cmake --preset "$preset"
    cmake --build --preset "$preset" -j2
    ctest --preset "$preset"
done
echo "all tests passed (default and asan)" >&2
