#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running Ostrelle need.
# Quick when everything is already there: apt is asked only for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang lld ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  mdbtools mdbtools-dev libglib2.0-dev
  libmariadb-dev mariadb-server mariadb-client
  libsqlite3-dev libssl-dev zlib1g-dev
  locales
  qt6-base-dev xvfb xauth
  time  # bench/compare.sh measures peak memory with /usr/bin/time
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${as_root[@]}" apt-get update -qq
  "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  # The packaged server must not keep running: tests start private servers of their own.
  if command -v systemctl >/dev/null 2>&1; then "${as_root[@]}" systemctl stop mariadb 2>/dev/null || true; fi
  "${as_root[@]}" service mariadb stop >/dev/null 2>&1 || true
fi

# One test checks that numbers are formatted the same under a decimal-comma locale.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  "${as_root[@]}" sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | "${as_root[@]}" tee -a /etc/locale.gen >/dev/null
  "${as_root[@]}" locale-gen >/dev/null
fi
