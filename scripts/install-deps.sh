#!/bin/sh
# Installs the Debian packages Brennic needs; quiet when nothing is missing.
#   install-deps.sh           to build, run and test
#   install-deps.sh package   to build the programs alone and make a .deb of them
set -eu
build="build-essential cmake ninja-build pkg-config qt6-base-dev libsqlite3-dev libgif-dev
  libzstd-dev"
case "${1:-test}" in
  test) packages="$build qt6-image-formats-plugins libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth openbox xdotool x11-utils" ;;
  # dpkg-shlibdeps (dpkg-dev) finds the libraries the programs need; CPack runs file on them.
  package) packages="$build dpkg-dev file" ;;
  *) echo "usage: $0 [test|package]" >&2; exit 2 ;;
esac
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
