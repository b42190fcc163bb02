#!/usr/bin/env bash
# Installs the Debian packages that KQ505 builds, runs and tests with, where missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  librtmidi-dev libgtest-dev libbenchmark-dev
  jackd2 libjack-jackd2-dev
  liblo-dev
  pipewire pipewire-bin pipewire-jack wireplumber dbus
  qt6-base-dev fonts-ipafont-gothic fonts-noto-cjk
  clang libclang-rt-14-dev
  xvfb xauth x11-utils imagemagick libx11-dev
  python3-mido fluidsynth fluid-soundfont-gm sox
  librsvg2-bin
  desktop-file-utils
  libxml2-utils
  shared-mime-info
  qt6-translations-l10n
  appstream dpkg-dev file
  at-spi2-core python3-pyatspi xdotool
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# jackd2 asks whether to enable real-time priority; answer no so nothing waits for input.
echo "jackd2 jackd/tweak_rt_limits boolean false" | $sudo debconf-set-selections
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
