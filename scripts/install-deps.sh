#!/bin/sh
# Installs the Debian packages Brennic needs to build, run and test; quiet when nothing is missing.
set -eu
packages="build-essential cmake ninja-build pkg-config qt6-base-dev qt6-image-formats-plugins
  libsqlite3-dev libgtest-dev libgmock-dev libbenchmark-dev libgif-dev libzstd-dev
  xvfb xauth openbox xdotool x11-utils"
missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
