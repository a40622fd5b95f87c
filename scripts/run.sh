#!/usr/bin/env bash
# Installs what Zorvane needs, builds it and starts it. Arguments go to the
# program (e.g. -autorun).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZORVANE_BUILD_TESTS=OFF -DZORVANE_BUILD_BENCH=OFF
cmake --build "$build" --target zorvane
exec "$build/out/zorvane" "$@"
