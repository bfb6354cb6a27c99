#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when one is missing.
# Quiet when everything is there; runs apt-get update only when it has to install.
set -euo pipefail
packages=(g++ cmake ninja-build make pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev libfftw3-dev
          libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth
          clang libclang-rt-14-dev
          libnetcdf-dev netcdf-bin python3-xarray python3-netcdf4
          libmosquitto-dev mosquitto openssl)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "bootstrap: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq "${missing[@]}" >/dev/null
# The tests start their own broker; the packaged service that installing mosquitto may start
# is not wanted on a build machine.
if [[ " ${missing[*]} " == *" mosquitto "* ]] && command -v systemctl >/dev/null 2>&1 &&
    systemctl is-active --quiet mosquitto 2>/dev/null; then
    $sudo systemctl disable --now mosquitto >/dev/null 2>&1 || true
fi
