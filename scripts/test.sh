#!/usr/bin/env bash
# Installs what Zorvane needs, builds everything and runs the whole test suite
# under a private X server (Xvfb) that this script starts and stops.
#
#   scripts/test.sh                          normal build in build-test/
#   scripts/test.sh --sanitize address,undefined [--build-dir DIR]
#   scripts/test.sh --sanitize thread        [--build-dir DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
sanitize=""
build=""
while [ $# -gt 0 ]; do
  case "$1" in
    --sanitize) sanitize="$2"; shift 2 ;;
    --build-dir) build="$2"; shift 2 ;;
    *) echo "unknown argument: $1" >&2; exit 2 ;;
  esac
done
if [ -z "$build" ]; then
  build="$root/build-test${sanitize:+-${sanitize//,/-}}"
fi

"$root/scripts/install-deps.sh"

bench=ON
[ -n "$sanitize" ] && bench=OFF  # benchmarks only need to compile once
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZORVANE_SANITIZE="$sanitize" -DZORVANE_BUILD_TESTS=ON -DZORVANE_BUILD_BENCH=$bench
cmake --build "$build"

# A private display; -displayfd picks a free number and reports it once the
# server accepts connections. -noreset: without it the server resets whenever
# its last client leaves, and a test connecting just then is refused.
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
cleanup() { kill "$xvfb_pid" 2>/dev/null || true; wait "$xvfb_pid" 2>/dev/null || true; rm -f "$display_file"; }
trap cleanup EXIT
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
if [ ! -s "$display_file" ]; then echo "Xvfb did not start" >&2; exit 1; fi
export DISPLAY=":$(head -n 1 "$display_file")"

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
cd "$build"
ctest --output-on-failure -j "$(nproc)"
