#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running Zorvane
# need. This is the one package list; run.sh and test.sh both call it.
set -euo pipefail

PACKAGES=(
  # build
  build-essential cmake ninja-build pkg-config clang-format
  # libraries
  libsqlite3-dev libpugixml-dev
  # HID devices and their hot-plug
  libhidapi-dev libudev-dev
  # program update: HTTPS client, zip reading
  libcurl4-openssl-dev libminizip-dev zlib1g-dev
  # typing text snippets: the X clipboard and key synthesis; opening web addresses
  libx11-dev libxtst-dev xdg-utils
  # the skin: SVG drawing; cairo for the GIF, icon and contact sheet helper
  librsvg2-bin libcairo2-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # a display for the tests that need one; sqlite3 to inspect databases
  xvfb sqlite3
  # update tests: a loopback HTTPS server, a throw-away CA, test archives
  python3 openssl zip
)

missing=()
for package in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
