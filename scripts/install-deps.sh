#!/usr/bin/env bash
# Installs every Debian package that building, running and testing the player needs.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libgl-dev libxcb-shape0-dev
  libcurl4-openssl-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-tools gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad gstreamer1.0-libav
  libtotem-plparser-dev
  libgtest-dev libgmock-dev
  icecast2 python3 strace procps locales
  xvfb xauth x11-utils openbox trayer xdotool imagemagick fonts-dejavu-core
  pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber
  weston xwayland qt6-wayland
  desktop-file-utils appstream
  dbus-daemon libglib2.0-bin python3-gi at-spi2-core python3-pyatspi gir1.2-atspi-2.0
)

# The tests read and print numbers under a comma-decimal locale.
test_locale=de_DE.UTF-8

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

generate_test_locale() {
  locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8' && return 0
  "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 "$test_locale"
}

if [ ${#missing[@]} -eq 0 ]; then
  generate_test_locale
  exit 0
fi

# No questions: package set-up dialogs take their defaults.
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${sudo_cmd[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
generate_test_locale
