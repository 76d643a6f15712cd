#!/usr/bin/env bash
# The main job on a fresh Debian 12 machine: installs what is missing, builds,
# starts the register emulator on COM1 and opens the service console against
# it (without a console build, prints the register's status with kasctl).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/install-deps.sh
KAS_BUILD_DIR=build scripts/build.sh
if [ -x build/bin/kasmon ] && [ -x scripts/run-console.sh ]; then
  exec scripts/run-console.sh build/bin
fi
devices=$(mktemp -d)
trap 'kill "$emu" 2>/dev/null; wait "$emu" 2>/dev/null; rm -rf "$devices"' EXIT
KASDRV_DEVICES=$devices build/bin/kasemu --port 1 --tape "$root/build/tape.txt" &
emu=$!
for _ in $(seq 50); do [ -e "$devices/com1" ] && break; sleep 0.1; done
KASDRV_DEVICES=$devices build/bin/kasctl --port 1 status
