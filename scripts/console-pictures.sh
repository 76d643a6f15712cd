#!/usr/bin/env bash
# Pictures of the service console for the user guide: starts the register
# emulator and the console under a virtual X server, opens the link in service
# mode and saves each page, the stress-test window and the composite-tax
# dialog as PNG files.
#
#   scripts/console-pictures.sh [BUILD_BIN_DIR [OUTPUT_DIR]]
#
# BUILD_BIN_DIR holds kasmon, kasemu and libkasdrv (default: build/bin);
# OUTPUT_DIR defaults to docs/images. Needs Xvfb and xauth (package xvfb).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
bin="$(cd "${1:-$here/../build/bin}" && pwd)"
out="${2:-$here/../docs/images}"
mkdir -p "$out"
out="$(cd "$out" && pwd)"

if [[ -z "${KASMON_PICTURES_X:-}" ]]; then
    # Again, inside a virtual screen of its own.
    exec env KASMON_PICTURES_X=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$bin" "$out"
fi

devices="$(mktemp -d -t kasmon-pictures.XXXXXX)"
emulator_pid=""
finish() {
    if [[ -n "$emulator_pid" ]]; then
        kill "$emulator_pid" 2>/dev/null || true
        wait "$emulator_pid" 2>/dev/null || true
    fi
    rm -rf "$devices"
}
trap finish EXIT

export KASDRV_DEVICES="$devices"
"$bin/kasemu" --port 1 --print-speed 0 &
emulator_pid=$!
for _ in $(seq 1 100); do
    [[ -e "$devices/com1" ]] && break
    sleep 0.05
done
[[ -e "$devices/com1" ]] || { echo "console-pictures: the emulator did not start" >&2; exit 1; }

# The pictures show the console as a fresh Debian desktop does: its fonts, no
# theme of a desktop session, the same number format on every machine.
cd "$devices"
LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME= \
    LD_LIBRARY_PATH="$bin${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
    timeout 60 "$bin/kasmon" -tech --pictures "$out"
