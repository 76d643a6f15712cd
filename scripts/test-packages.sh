#!/usr/bin/env bash
# The Debian packages, built, checked and used the way a user gets them:
#   1. the packages from an existing build tree (configured for /usr; only
#      what changed is rebuilt) with cpack into BUILD/packages/;
#   2. lintian over them: no errors allowed, warnings listed;
#   3. apt-get install ./…deb, then from a scratch directory outside the tree:
#      the installed kasemu and kasctl status against it, a small C program
#      built against the installed driver through pkg-config and through
#      CMake, and the installed kasmon offscreen for a few seconds;
#   4. the packages removed again, leaving none of their files behind.
# Runs as root or with sudo. KAS_BUILD_DIR names the build tree (default build).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${KAS_BUILD_DIR:-$root/build}" 2>/dev/null && pwd || echo "$root/build")
started=$(date +%s)
stamp() { echo "== $1 ($(($(date +%s) - started)) s)"; }
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive

stamp "packages"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log" >&2; exit 1; }
debs=("$build"/packages/*.deb)
for deb in "${debs[@]}"; do
  echo "$(basename "$deb"): $(dpkg-deb -f "$deb" Depends)"
done

for p in kasctl kasmon; do
  dpkg-deb -f "$build"/packages/${p}_*.deb Depends | grep -q "libkasdrv1" ||
    { echo "$p does not depend on libkasdrv1" >&2; exit 1; }
done

stamp "lintian"
lintian_out=$(lintian --fail-on none --suppress-tags-from-file /dev/null "${debs[@]}" 2>&1 || true)
echo "${lintian_out:-no remarks}"
if echo "$lintian_out" | grep -q '^E: '; then
  echo "lintian reports errors" >&2
  exit 1
fi

names=(kasmon kasctl kasemu libkasdrv-dev libkasdrv1)
scratch=$(mktemp -d /tmp/kaspkg.XXXXXX)
emulator=
cleanup() {
  [ -n "$emulator" ] && kill "$emulator" 2>/dev/null && wait "$emulator" 2>/dev/null
  "${sudo_cmd[@]}" apt-get remove -y -q --purge "${names[@]}" >/dev/null 2>&1 || true
  rm -rf "$scratch"
}
trap cleanup EXIT

stamp "install"
# apt-get takes paths to local packages when they start with ./ or /.
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${debs[@]}" >"$scratch/apt.log" 2>&1 ||
  { cat "$scratch/apt.log" >&2; exit 1; }
for n in "${names[@]}"; do
  dpkg-query -W -f='${Package} ${Version} ${Status}\n' "$n"
done

cd "$scratch"
export KASDRV_DEVICES=$scratch/ports PATH=/usr/bin:/bin
mkdir -p ports

stamp "installed kasemu and kasctl"
kasemu --port 1 --print-speed 0 --tape tape.txt >emu.log 2>&1 &
emulator=$!
for _ in $(seq 50); do [ -L ports/com1 ] && break; sleep 0.1; done
kasctl --port 1 status | tee status.txt | head -4
grep -q "РМ-15" status.txt
# A port that points at nothing says so.
ln -s "$scratch/ttyUSB7" ports/com2
if kasctl --port 2 status 2>port.txt; then
  echo "kasctl opened a dangling port" >&2
  exit 1
fi
cat port.txt
grep -q "dangling link" port.txt
for p in kasctl kasemu kasmon; do
  dpkg -L "$p" | grep -q "/man1/$p.1.gz" || { echo "$p has no man page" >&2; exit 1; }
done

stamp "a C program against the installed driver"
cat >date.c <<'PROGRAM'
#include <kasdrv.h>
#include <stdio.h>
int main(void) {
    double date = 0;
    if (FPInit(1, 9600, 1, 1) == 0 || FPGetDate(&date) == 0) {
        return 1;
    }
    printf("register date: %.0f days after 1899-12-30\n", date);
    return FPClose() == 0;
}
PROGRAM
cc -o date-pc date.c $(pkg-config --cflags --libs kasdrv)
./date-pc
mkdir cmake-app
cp date.c cmake-app/
cat >cmake-app/CMakeLists.txt <<'PROJECT'
cmake_minimum_required(VERSION 3.25)
project(registerdate C)
find_package(kasdrv 1.0 REQUIRED)
add_executable(date-cmake date.c)
target_link_libraries(date-cmake PRIVATE kasdrv::kasdrv)
PROJECT
cmake -S cmake-app -B cmake-app/build -G Ninja >/dev/null
cmake --build cmake-app/build >/dev/null
cmake-app/build/date-cmake

stamp "installed kasmon offscreen"
if ldd /usr/bin/kasmon | grep -q "not found"; then
  ldd /usr/bin/kasmon >&2
  exit 1
fi
rc=0
QT_QPA_PLATFORM=offscreen timeout 4 kasmon >kasmon.log 2>&1 || rc=$?
if [ "$rc" -ne 124 ]; then
  echo "kasmon ended by itself (status $rc) instead of running:" >&2
  cat kasmon.log >&2
  exit 1
fi
echo "kasmon ran 4 s offscreen"

stamp "remove"
kill "$emulator"
wait "$emulator" 2>/dev/null || true
emulator=
"${sudo_cmd[@]}" apt-get remove -y -q --purge "${names[@]}" >/dev/null
left=$(ls /usr/bin/kasctl /usr/bin/kasemu /usr/bin/kasmon /usr/include/kasdrv.h \
  /usr/lib/*/libkasdrv* /usr/lib/*/pkgconfig/kasdrv.pc /usr/share/applications/kasmon.desktop \
  2>/dev/null || true)
if [ -n "$left" ] || dpkg-query -W "${names[@]}" 2>/dev/null | grep -q .; then
  echo "left after removal: $left" >&2
  exit 1
fi
stamp "packages installed, worked from $scratch and were removed"
