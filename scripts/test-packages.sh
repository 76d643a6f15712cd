#!/usr/bin/env bash
# The Debian packages, built, checked and used the way a user gets them:
#   1. the packages from an existing build tree (configured for /usr; only
#      what changed is rebuilt) with cpack into BUILD/packages/;
#   2. lintian over them: no errors allowed, warnings listed;
#   3. apt-get install ./…deb, then from a scratch directory outside the tree:
#      the installed kasemu and kasctl status against it, a small C program
#      built against the installed driver through pkg-config and through
#      CMake, and the installed kasmon offscreen for a few seconds;
#   4. kasd's unit checked by systemd-analyze, and kasd started as the unit
#      starts it (its user and groups, its environment, its configuration;
#      no systemd needed) against that kasemu, a receipt printed through it
#      with curl and its journal found in the state folder; where systemd
#      runs, a receipt through the unit itself first;
#   5. kasd removed (its user and journal stay) and purged (they go), then
#      the other packages, leaving none of their files behind.
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

for p in kasctl kasmon kasd; do
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

others=(kasmon kasctl kasemu libkasdrv-dev libkasdrv1)
names=(kasd "${others[@]}")
scratch=$(mktemp -d /tmp/kaspkg.XXXXXX)
emulator=
service=
# dpkg itself, for a package apt no longer knows once it is removed.
purge() { "${sudo_cmd[@]}" env PATH=/usr/sbin:/usr/bin:/sbin:/bin dpkg --purge "$@"; }
cleanup() {
  [ -n "$service" ] && kill "$service" 2>/dev/null && wait "$service" 2>/dev/null
  [ -n "$emulator" ] && kill "$emulator" 2>/dev/null && wait "$emulator" 2>/dev/null
  "${sudo_cmd[@]}" rm -f /etc/kasd/devices/com1
  purge "${names[@]}" >/dev/null 2>&1 || true
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

stamp "kasd's unit"
unit=/lib/systemd/system/kasd.service
dpkg -L kasd | grep -qx "$unit" || { echo "kasd has no unit $unit" >&2; exit 1; }
dpkg -L kasd | grep -q "/man8/kasd.8.gz" || { echo "kasd has no man page" >&2; exit 1; }
dpkg-query -W -f='${Conffiles}\n' kasd | grep -q "^ /etc/kasd/kasd.conf " ||
  { echo "/etc/kasd/kasd.conf is not a conffile" >&2; exit 1; }
# verify reads the unit and everything it names (the program, the man page of
# Documentation= when man is installed); it needs no running systemd.
man_check=--man=yes
command -v man >/dev/null || man_check=--man=no
systemd-analyze verify "$man_check" "$unit"
systemd-analyze security --offline=yes --no-pager "$unit" | tail -1
unit_value() { sed -n "s/^$1=//p" "$unit" | tail -1; }
user=$(unit_value User)
group=$(unit_value Group)
groups=$(unit_value SupplementaryGroups)
state=/var/lib/$(unit_value StateDirectory)
read -r -a exec_start <<<"$(unit_value ExecStart)"
read -r -a environment <<<"$(sed -n 's/^Environment=//p' "$unit")"
passwd=$(getent passwd "$user") || { echo "the package made no user $user" >&2; exit 1; }
echo "$passwd"
[ "$(stat -c %U:%G "$state")" = "$user:$group" ] ||
  { echo "$state does not belong to $user: $(stat -c %U:%G "$state")" >&2; exit 1; }

stamp "kasd as its unit runs it, against kasemu as COM1"
# The emulator's pseudo-terminal made a serial port as udev makes them
# (root:dialout 0660) and linked as COM1 where the unit looks for ports.
pty=$(readlink ports/com1)
"${sudo_cmd[@]}" chgrp dialout "$pty"
"${sudo_cmd[@]}" chmod 0660 "$pty"
"${sudo_cmd[@]}" ln -sfn "$pty" /etc/kasd/devices/com1
cat >receipt.json <<'BODY'
{"kind": "sale",
 "lines": [{"name": "Хлеб", "quantity": 2, "price": 1250, "taxGroup": "А", "article": 12}],
 "payments": [{"form": "cash", "amount": 5000}]}
BODY
# print_receipt URL KEY: the receipt printed, and its journal record done.
print_receipt() {
  local code record
  code=$(curl -sS -o receipt.out -w '%{http_code}' -X POST "$1/v1/registers/1/receipts" \
    -H "Idempotency-Key: $2" -H 'Content-Type: application/json' --data-binary @receipt.json)
  cat receipt.out
  echo
  if [ "$code" != 200 ] || ! grep -q '"outcome":"printed"' receipt.out; then
    echo "the receipt was not printed (HTTP $code)" >&2
    return 1
  fi
  record=$(curl -sS -f "$1/v1/requests/$2")
  [[ "$record" == *'"state":"done"'* ]] || { echo "the journal says: $record" >&2; return 1; }
}
if [ -d /run/systemd/system ]; then
  # Where systemd runs, the package started the unit; it prints as well, with
  # the unit's device filter and hardening in force.
  "${sudo_cmd[@]}" systemctl restart kasd
  for _ in $(seq 100); do
    curl -sf http://127.0.0.1:8737/v1/registers 2>/dev/null | grep -q '"state":"idle"' && break
    sleep 0.1
  done
  print_receipt http://127.0.0.1:8737 package-test-unit ||
    { "${sudo_cmd[@]}" journalctl -u kasd --no-pager -n 30 >&2; exit 1; }
  "${sudo_cmd[@]}" systemctl stop kasd
fi
# systemd's environment for the unit, its user and groups, no capabilities, no
# new privileges; only the address moves to a free port.
(
  umask "$(unit_value UMask)"
  exec "${sudo_cmd[@]}" env -i PATH=/usr/bin:/bin HOME="$(echo "$passwd" | cut -d: -f6)" USER="$user" \
    LOGNAME="$user" STATE_DIRECTORY="$state" "${environment[@]}" \
    setpriv --reuid="$user" --regid="$group" --groups="$groups" --inh-caps=-all \
    --bounding-set=-all --no-new-privs -- "${exec_start[@]}" --listen 127.0.0.1:0
) >kasd.out 2>kasd.err &
service=$!
for _ in $(seq 100); do grep -qs "listening on" kasd.out && break; sleep 0.1; done
url=$(sed -n 's/^kasd: listening on //p' kasd.out)
[ -n "$url" ] || { echo "kasd did not start:" >&2; cat kasd.out kasd.err >&2; exit 1; }
echo "kasd listens on $url"
print_receipt "$url" package-test-1 || { cat kasd.err >&2; exit 1; }
grep -q "Хлеб" tape.txt || { echo "the receipt is not on the tape" >&2; exit 1; }
journal=$state/journal.sqlite3
[ "$("${sudo_cmd[@]}" stat -c %U "$journal" 2>/dev/null)" = "$user" ] ||
  { echo "no journal of $user at $journal:" >&2; "${sudo_cmd[@]}" ls -la "$state" >&2; exit 1; }
"${sudo_cmd[@]}" ls -l "$journal"
kill -TERM "$service"
rc=0
wait "$service" || rc=$?
service=
[ "$rc" -eq 0 ] || { echo "kasd ended with $rc on SIGTERM" >&2; cat kasd.err >&2; exit 1; }

stamp "remove"
kill "$emulator"
wait "$emulator" 2>/dev/null || true
emulator=
# dpkg says that /etc/kasd/devices stays, not empty: the port link is the admin's.
"${sudo_cmd[@]}" apt-get remove -y -q kasd >remove.log 2>&1 || { cat remove.log >&2; exit 1; }
if [ -e /usr/bin/kasd ] || ! getent passwd "$user" >/dev/null || ! "${sudo_cmd[@]}" test -f "$journal" ||
  [ ! -L /etc/kasd/devices/com1 ]; then
  echo "removing kasd took its user, journal or port link, or left its program" >&2
  exit 1
fi
purge kasd >/dev/null
if getent passwd "$user" >/dev/null || getent group "$user" >/dev/null || [ -e "$state" ] ||
  [ -e /etc/kasd ]; then
  echo "purging kasd left its user, group, $state or /etc/kasd" >&2
  exit 1
fi
"${sudo_cmd[@]}" apt-get remove -y -q --purge "${others[@]}" >/dev/null
left=$(ls /usr/bin/kasctl /usr/bin/kasemu /usr/bin/kasmon /usr/bin/kasd /usr/include/kasdrv.h \
  /usr/lib/*/libkasdrv* /usr/lib/*/pkgconfig/kasdrv.pc /usr/share/applications/kasmon.desktop \
  /lib/systemd/system/kasd.service \
  2>/dev/null || true)
if [ -n "$left" ] || dpkg-query -W "${names[@]}" 2>/dev/null | grep -q .; then
  echo "left after removal: $left" >&2
  exit 1
fi
stamp "packages installed, worked from $scratch and were removed"
