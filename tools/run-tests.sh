#!/usr/bin/env bash
# Builds and runs every test twice: the default build and the AddressSanitizer +
# UndefinedBehaviorSanitizer build. Both are always run; the exit status is non-zero when
# anything in either failed.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
# shellcheck source=tools/deps.sh
source tools/deps.sh
bvhio_ensure_packages

failed=()
for preset in default asan; do
    echo "== $preset: configure, build, test" >&2
    if cmake --preset "$preset" && cmake --build --preset "$preset" -j2 &&
        ctest --preset "$preset"; then
        echo "== $preset: passed" >&2
    else
        echo "== $preset: FAILED" >&2
        failed+=("$preset")
    fi
done
if [ "${#failed[@]}" -ne 0 ]; then
    echo "failed: ${failed[*]}" >&2
    exit 1
fi
echo "all tests passed (default and asan)" >&2
