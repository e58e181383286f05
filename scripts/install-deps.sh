#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, and only those
# that are missing. Runs apt-get through sudo when not root.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-format
    libicu-dev libpcre2-dev libcurl4-openssl-dev libssl-dev openssl libfontconfig-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    libcpp-httplib-dev libpng-dev libjpeg-dev libtag1-dev dbus-daemon curl
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-multimedia-dev
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    fonts-wqy-microhei qt6-translations-l10n
    dpkg-dev file desktop-file-utils appstream xvfb openbox xdotool x11-utils
    afl++ clang
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
