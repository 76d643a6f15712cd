#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the console need.
# Installs only what is missing, so it is cheap to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev
  qt6-base-dev qt6-translations-l10n libgl1-mesa-dev nlohmann-json3-dev
  libcpp-httplib-dev libsqlite3-dev
  xvfb xauth fonts-dejavu-core
  chromium python3
  systemd curl
)
[ "${KAS_EXTRA_PACKAGES:-}" ] && read -r -a extra <<<"$KAS_EXTRA_PACKAGES" && packages+=("${extra[@]}")

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
