#!/usr/bin/env bash
# Builds and tests every build type with GCC and clang the way a packager builds: Debian's
# hardening flags (dpkg-buildflags, hardening=+all) and warnings that do not stop the build.
# Prints one line per build: compiler, build type, result, seconds, warnings. Arguments go to
# ctest, e.g.  scripts/build-matrix.sh -E blackbox
# Builds and logs stay in build/matrix/.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/deps.sh --tests
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
eval "$(dpkg-buildflags --export=sh)"
export CXXFLAGS="$CPPFLAGS $CXXFLAGS"
mkdir -p build/matrix

failed=0
printf '%-8s %-15s %-11s %8s %9s\n' compiler type result seconds warnings
for cxx in g++ clang++; do
    compiler=gcc
    [[ $cxx == clang++ ]] && compiler=clang
    for type in Debug Release RelWithDebInfo MinSizeRel ""; do
        name=$compiler-${type:-none}
        dir=build/matrix/$name
        log=build/matrix/$name.log
        start=$SECONDS
        if ! cmake -S . -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" \
            -DCMAKE_BUILD_TYPE="$type" >"$log" 2>&1 || ! cmake --build "$dir" >>"$log" 2>&1; then
            result="build-fail"
        elif ! (cd "$dir" && ctest --output-on-failure "$@") >>"$log" 2>&1; then
            result="test-fail"
        else
            result="pass"
        fi
        [[ $result == pass ]] || failed=1
        printf '%-8s %-15s %-11s %8d %9d\n' "$compiler" "${type:-(none)}" "$result" \
            $((SECONDS - start)) "$(grep -c 'warning:' "$log" || true)"
    done
done
exit $failed
