#!/usr/bin/env bash
# Builds and runs every test in four jobs, each with its own build folder:
#   default  the normal build (GCC, GCC's library)                      build/default
#   asan     AddressSanitizer + UndefinedBehaviorSanitizer                build/asan
#   libc++   clang with libc++, the macOS toolchain                       build/libcxx
#   windows  a Windows build (mingw-w64), its tests run under Wine        build/windows
# With job names as arguments only those run (tools/run-tests.sh windows). All that are
# asked for always run; the exit status is non-zero when anything in any of them failed.
# Each job says how long it took (configure, build and test).
set -euo pipefail

repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
all_jobs=(default asan libc++ windows)
jobs=("$@")
[ "${#jobs[@]}" -ne 0 ] || jobs=("${all_jobs[@]}")
for job in "${jobs[@]}"; do
    case " ${all_jobs[*]} " in
    *" $job "*) ;;
    *)
        echo "unknown job \"$job\" (jobs: ${all_jobs[*]})" >&2
        exit 2
        ;;
    esac
done

# shellcheck source=tools/deps.sh
source tools/deps.sh
extra=()
for job in "${jobs[@]}"; do
    case "$job" in
    # clang, libc++ and the GoogleTest sources, built with them.
    libc++) extra+=(clang libc++-dev libc++abi-dev googletest) ;;
    # the mingw-w64 cross compilers, Wine to run what they build, GoogleTest's sources.
    windows) extra+=(mingw-w64 wine64 googletest) ;;
    esac
done
bvhio_ensure_packages "${extra[@]}"

preset() {
    cmake --preset "$1" && cmake --build --preset "$1" -j2 && ctest --preset "$1"
}

windows() {
    local status=0
    preset windows || status=$?
    # Wine's server of the test prefix stays a few seconds after the last program; end it.
    tools/wine-run.sh --stop
    return "$status"
}

failed=()
times=()
run() {
    local name="$1" start=$SECONDS
    shift
    echo "== $name: configure, build, test" >&2
    if "$@"; then
        echo "== $name: passed in $((SECONDS - start)) s" >&2
    else
        echo "== $name: FAILED after $((SECONDS - start)) s" >&2
        failed+=("$name")
    fi
    times+=("$name $((SECONDS - start)) s")
}
for job in "${jobs[@]}"; do
    case "$job" in
    windows) run windows windows ;;
    libc++) run libc++ preset libcxx ;;
    *) run "$job" preset "$job" ;;
    esac
done
echo "times: ${times[*]}" >&2
if [ "${#failed[@]}" -ne 0 ]; then
    echo "failed: ${failed[*]}" >&2
    exit 1
fi
echo "all tests passed (${jobs[*]})" >&2
