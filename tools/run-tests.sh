#!/usr/bin/env bash
# Builds and runs every test twice, in the default build and the AddressSanitizer +
# UndefinedBehaviorSanitizer build, and the format layer's tests (bvh/) once more with clang
# and libc++, a standard library without some of the C++17 calls that GCC's has. All are
# always run; the exit status is non-zero when anything in any of them failed.
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
# shellcheck source=tools/deps.sh
source tools/deps.sh
# clang, libc++ and the GoogleTest sources for the libc++ build.
bvhio_ensure_packages clang libc++-dev libc++abi-dev googletest

preset() {
    cmake --preset "$1" && cmake --build --preset "$1" -j2 && ctest --preset "$1"
}

libcxx() {
    CXX=clang++ cmake -S tests/format -B build/libcxx -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS=-stdlib=libc++ -DBVHIO_GTEST_SOURCE_DIR=/usr/src/googletest &&
        cmake --build build/libcxx -j2 && ctest --test-dir build/libcxx --output-on-failure
}

failed=()
run() {
    local name="$1"
    shift
    echo "== $name: configure, build, test" >&2
    if "$@"; then
        echo "== $name: passed" >&2
    else
        echo "== $name: FAILED" >&2
        failed+=("$name")
    fi
}
run default preset default
run asan preset asan
run libc++ libcxx
if [ "${#failed[@]}" -ne 0 ]; then
    echo "failed: ${failed[*]}" >&2
    exit 1
fi
echo "all tests passed (default, asan and libc++)" >&2
