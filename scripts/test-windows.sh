#!/usr/bin/env bash
# KASDRV.DLL as a Windows DLL, tested under Wine.
#
# Installs what is missing (Debian packages: the mingw-w64 cross compiler,
# Wine, GoogleTest's sources), cross-builds KASDRV.DLL, kasctl.exe and the
# Windows test host into build-win64/, checks the DLL's export table, and runs
# the test host under Wine against native emulators that the Wine prefix sees
# as COM1 and COM2. The prefix lives inside the build tree.
#
#   scripts/test-windows.sh           build, check and test
#   scripts/test-windows.sh --bench   then time transactions under Wine and natively
#
# Environment:
#   KAS_WIN_BUILD_DIR     cross build tree (default build-win64)
#   KAS_NATIVE_BUILD_DIR  native build tree whose kasemu is used when it has one
#                         (default build); else one is built in build-win64/native
#   KAS_WIN_I686=1        also cross-build the 32-bit (__stdcall) DLL into build-win64-i686/,
#                         check its export table and run its test host under 32-bit
#                         Wine (wine32:i386: adds the i386 architecture to dpkg)
#   KAS_BENCH_RUNS        transactions per workload for --bench (default 40)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bench=0
for arg in "$@"; do
  case "$arg" in
    --bench) bench=1 ;;
    *) echo "usage: $0 [--bench]" >&2; exit 2 ;;
  esac
done

win=${KAS_WIN_BUILD_DIR:-$root/build-win64}
native=${KAS_NATIVE_BUILD_DIR:-$root/build}
i686=${KAS_WIN_I686:-0}
jobs=2

# --- packages -----------------------------------------------------------------
packages=(cmake ninja-build build-essential googletest nlohmann-json3-dev wine wine64
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 unzip)
if [ "$i686" = 1 ]; then
  packages+=(g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 wine32:i386)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  if [ "$i686" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    "${sudo_cmd[@]}" dpkg --add-architecture i386 # for wine32
  fi
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# --- cross build ----------------------------------------------------------------
cross_build() { # build-dir toolchain-file
  cmake -S "$root" -B "$1" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$2" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKAS_BUILD_TESTS=OFF -DKAS_BUILD_CONSOLE=OFF \
    -DKAS_BUILD_BENCH=OFF -DKAS_BUILD_EMULATOR=OFF -DKAS_BUILD_WINE_TESTS=ON >/dev/null
  cmake --build "$1" -j"$jobs"
}
echo "== cross-building KASDRV.DLL, kasctl.exe and the test host (x86_64)"
cross_build "$win" "$root/cmake/toolchains/x86_64-w64-mingw32.cmake"

# --- export table -----------------------------------------------------------------
# The names of the export table as objdump -p lists them, one a line.
exported_names() { # objdump dll
  "$1" -p "$2" | awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
                      on && /^[[:space:]]*\[/ {print $NF; next}
                      on && NF == 0 {on = 0}' | sort
}
check_exports() { # objdump dll
  local declared exported
  declared=$(grep -o 'KASDRV_CALL FP[A-Za-z0-9]*(' driver/include/kasdrv.h | sed 's/KASDRV_CALL //; s/($//' | sort)
  exported=$(exported_names "$1" "$2")
  if [ "$declared" != "$exported" ]; then
    echo "export table of $2 differs from kasdrv.h:" >&2
    diff <(echo "$declared") <(echo "$exported") >&2 || true
    return 1
  fi
  # Nothing but the system's own DLLs: the C++ run-time is linked in.
  local foreign
  foreign=$("$1" -p "$2" | awk '/DLL Name:/ {print $3}' |
    grep -viE '^(kernel32|msvcrt|user32|advapi32|version|shell32)\.dll$' || true)
  if [ -n "$foreign" ]; then
    echo "$2 needs DLLs a Windows machine may lack: $foreign" >&2
    return 1
  fi
  echo "export table of $(basename "$2"): $(echo "$exported" | wc -l) undecorated FP names, exactly those kasdrv.h declares"
}
echo "== export table"
check_exports x86_64-w64-mingw32-objdump "$win/bin/KASDRV.DLL"
echo "== the zip for Windows users"
rm -rf "$win/packages"
(cd "$win" && cpack -G ZIP >cpack.log 2>&1) || { cat "$win/cpack.log" >&2; exit 1; }
zip=$(ls "$win"/packages/*.zip)
listing=$(unzip -Z1 "$zip")
for f in bin/KASDRV.DLL bin/kasctl.exe lib/libKASDRV.dll.a include/kasdrv.h; do
  echo "$listing" | grep -qx "[^/]*/$f" || { echo "$(basename "$zip") lacks $f" >&2; exit 1; }
done
echo "$(basename "$zip"): $(echo "$listing" | grep -v '/$' | sed 's|^[^/]*/||' | tr '\n' ' ')"
if [ "$i686" = 1 ]; then
  echo "== cross-building KASDRV.DLL (i686, __stdcall)"
  cross_build "$win-i686" "$root/cmake/toolchains/i686-w64-mingw32.cmake"
  check_exports i686-w64-mingw32-objdump "$win-i686/bin/KASDRV.DLL"
fi

# --- native emulator ------------------------------------------------------------------
native_targets=(kasemu)
if [ "$bench" = 1 ] || [ ! -f "$native/CMakeCache.txt" ]; then
  # A small native tree of our own: the emulator, and the bench for the comparison.
  native=$win/native
  cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKAS_BUILD_TESTS=OFF -DKAS_BUILD_CONSOLE=OFF -DKAS_BUILD_BENCH=OFF \
    -DKAS_BUILD_WINE_TESTS=ON >/dev/null
  [ "$bench" = 1 ] && native_targets+=(kaswinbench)
fi
echo "== native emulator ($native)"
cmake --build "$native" -j"$jobs" --target "${native_targets[@]}"
kasemu=$native/bin/kasemu

# --- Wine prefix --------------------------------------------------------------------------
wine_dir=$win/wine
ports=$wine_dir/ports
export WINEPREFIX=$wine_dir/prefix WINEDEBUG=-all DISPLAY= WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$ports"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

# The Windows name of a file of this machine (drive Z: is the root).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# A prefix made before 32-bit Wine was installed lacks its 32-bit half: make it anew.
if [ -x /usr/lib/wine/wine ] && [ -f "$WINEPREFIX/system.reg" ] &&
  [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
  rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating the Wine prefix $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
fi
# Wine links dosdevices/comN to these entries when a session starts (and
# would link them to /dev/ttyS* otherwise).
{
  printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Wine\\Ports]\n'
  for n in 1 2 3 4; do
    printf '"COM%s"="%s"\n' "$n" "$ports/com$n"
  done
} >"$wine_dir/ports.reg"
wine reg import "$(windows_path "$wine_dir/ports.reg")" >/dev/null 2>&1
wineserver -w
wineserver -p >"$wine_dir/wineserver.log" 2>&1 # one server, one session for every program of this run

# --- emulators ---------------------------------------------------------------------------
declare -A emulator_pid
start_emulator() { # port-number kasemu-options...
  local n=$1 link=$ports/com$1 log=$wine_dir/com$1.log
  shift
  if [ -n "${emulator_pid[$n]:-}" ]; then
    kill "${emulator_pid[$n]}" 2>/dev/null || true
    wait "${emulator_pid[$n]}" 2>/dev/null || true
  fi
  rm -f "$link"
  "$kasemu" --link "$link" --print-speed 0 "$@" >"$log" 2>&1 &
  emulator_pid[$n]=$!
  pids+=($!)
  for _ in $(seq 50); do
    [ -L "$link" ] && return 0
    sleep 0.1
  done
  echo "the emulator for $link did not start:" >&2
  cat "$log" >&2
  return 1
}
# COM1: the register the tests share, its tape in a file; COM2: a register
# that loses its first three answers. Fresh ones for every run of the host.
tape=$wine_dir/tape.txt
start_test_emulators() {
  rm -f "$tape"
  start_emulator 1 --strict-speed --tape "$tape"
  start_emulator 2 --fault 'drop*3'
}
start_test_emulators
# The dosdevices links follow the registry when the session starts.
wine cmd /c exit >/dev/null 2>&1
for n in 1 2; do
  target=$(readlink "$WINEPREFIX/dosdevices/com$n" || true)
  if [ "$target" != "$ports/com$n" ]; then
    echo "dosdevices/com$n points to '$target', not to the emulator" >&2
    exit 1
  fi
done

# --- tests under Wine ------------------------------------------------------------------------
echo "== kasctl.exe under Wine"
status_out=$(cd "$win/bin" && wine kasctl.exe --port 1 status 2>&1)
echo "$status_out" | grep -E "firmware|serial" || true
if ! echo "$status_out" | grep -q "РМ-15"; then
  echo "kasctl.exe status did not show the register's firmware:" >&2
  echo "$status_out" >&2
  exit 1
fi

run_test_host() { # bin-directory label
  local bin=$1 label=$2 log=$wine_dir/kaswintest-$2.log rc passed failed skipped
  echo "== test host under Wine ($label)"
  set +e
  # In the users' regional settings (Russian: dates with '.'), then once more
  # the locale test in US settings ('/') to see the separators follow Windows.
  (cd "$bin" && LC_ALL=ru_RU.UTF-8 KASWIN_DATE_SEPARATOR=. \
    KASWIN_TAPE=$(windows_path "$tape") wine kaswintest.exe --gtest_color=no) 2>&1 |
    tr -d '\r' | tee "$log"
  rc=${PIPESTATUS[0]}
  (cd "$bin" && LC_ALL=en_US.UTF-8 KASWIN_DATE_SEPARATOR=/ \
    wine kaswintest.exe --gtest_color=no --gtest_filter='*FromTheWindowsLocale*') 2>&1 |
    tr -d '\r' | grep -E '^\[  (PASSED|FAILED) |separators|Failure' | sed 's/^/en_US: /'
  [ "${PIPESTATUS[0]}" -eq 0 ] || rc=1
  set -e
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\{0,1\}\..*/\1/p' "$log" | tail -1)
  failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' "$log" | tail -1)
  skipped=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\{0,1\}, listed below:.*/\1/p' "$log" | tail -1)
  echo "$label: ${passed:-0} passed, ${failed:-0} failed, ${skipped:-0} skipped"
  if [ "$rc" -ne 0 ] || [ -z "$passed" ]; then
    echo "== the Windows tests failed ($label)" >&2
    exit 1
  fi
}
run_test_host "$win/bin" win64
if [ "$i686" = 1 ]; then
  start_test_emulators
  run_test_host "$win-i686/bin" win32
fi

# --- bench ------------------------------------------------------------------------------------
if [ "$bench" = 1 ]; then
  runs=${KAS_BENCH_RUNS:-40}
  for speed in 9600:3 38400:4; do
    baud=${speed%:*} port=${speed#*:}
    start_emulator "$port" --pace --baud "$baud"
    echo "== bench under Wine (COM$port, emulator paced at $baud bit/s)"
    (cd "$win/bin" && wine kaswinbench.exe --port "$port" --baud "$baud" --runs "$runs") 2>&1 |
      tr -d '\r'
    echo "== bench native (the same emulator)"
    KASDRV_DEVICES=$ports "$native/bin/kaswinbench" --port "$port" --baud "$baud" --runs "$runs" 2>&1
  done
fi
echo "== Windows tests passed"
