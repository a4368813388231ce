#!/bin/sh
# Builds the fuzz targets and runs each in turn for the given number of seconds.
#
#   fuzz/run.sh [SECONDS]          default 60 per target
#   TARGETS=import fuzz/run.sh 1800
#
# Environment: TARGETS (default "import export reader"), BVHIO_FUZZ_BUILD (default build/fuzz),
# JOBS (build jobs, default 2). Needs clang with libFuzzer.
#
# Each target runs at low priority with a limit of 10 s per input (and 10 s of processor time
# per translator call in it) and a memory limit of 2.5 GB (the 1 GB that the plug-in may use,
# plus AddressSanitizer's shadow memory and quarantine), keeps what it learns in
# <build>/work/<target> (not in the repository), and starts from the seeds in
# fuzz/corpus/<target> (and, for the import, the shared sample files when they are there).
# A crash, sanitizer report, failed check, slow input or memory overrun stops the target and
# leaves the input in <build>/artifacts/; copy it into fuzz/corpus/<target>/ as
# found-<target>-<what> so that the regression test replays it from then on. Run times and
# results are appended to <build>/fuzz.log. Exit status: 0 when every target ran clean.
set -u

seconds=${1:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BVHIO_FUZZ_BUILD:-$root/build/fuzz}

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBVHIO_FUZZ=ON -DBVHIO_TESTS=OFF >/dev/null || exit 2
cmake --build "$build" --target fuzz_import fuzz_export fuzz_reader -j "${JOBS:-2}" >/dev/null || exit 2
mkdir -p "$build/artifacts"

status=0
for target in ${TARGETS:-import export reader}; do
    work="$build/work/$target"
    mkdir -p "$work"
    set -- "$work" "$root/fuzz/corpus/$target"
    case $target in
        reader)
            # The import's corpus: the same files, read without the host.
            set -- "$work" "$root/fuzz/corpus/import"
            limits="-max_len=32768 -dict=$root/fuzz/bvh.dict"
            [ -d "$root/../shared/samples" ] && set -- "$@" "$root/../shared/samples"
            ;;
        import)
            limits="-max_len=32768 -dict=$root/fuzz/bvh.dict"
            [ -d "$root/../shared/samples" ] && set -- "$@" "$root/../shared/samples"
            ;;
        *) limits="-max_len=4096" ;;
    esac
    started=$(date +%s)
    # Standard error is closed (-close_fd_mask=2): the importer warns about every odd line.
    # libFuzzer and the sanitizers still report; the harness prints failed checks on stdout.
    # shellcheck disable=SC2086
    nice -n 10 "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 \
        -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" \
        $limits "$@" >"$build/fuzz-$target.out" 2>&1
    result=$?
    ran=$(($(date +%s) - started))
    echo "$(date -u +%Y-%m-%dT%H:%M:%SZ) $target ran ${ran}s, exit $result" >>"$build/fuzz.log"
    echo "$target: ran ${ran}s, exit $result (output: $build/fuzz-$target.out)"
    [ "$result" -eq 0 ] || status=1
done
exit $status
