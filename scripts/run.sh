#!/usr/bin/env bash
# Builds the program, prepares a demo data directory when there is none, and starts the program in it.
# Usage: scripts/run.sh [DATA_DIR]   (default: ~/CorvaneData)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
data="${1:-$HOME/CorvaneData}"
"$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_TESTS=OFF >/dev/null
cmake --build "$root/build" -j2
if [ ! -e "$data" ] && [ -x "$root/build/tools/corvane-data" ]; then
  "$root/build/tools/corvane-data" --demo "$data"
fi
mkdir -p "$data"
exec "$root/build/src/corvane" --data "$data"
