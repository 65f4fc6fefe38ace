#!/usr/bin/env bash
# Installs the Debian packages that the player needs:
#   install-deps.sh          everything: building, running, the demo and every test (the default)
#   install-deps.sh --run    building and running the player only
#   install-deps.sh --demo   that, and the offline demo's stations (tools/demo)
#   install-deps.sh --bench  everything, and the peer player that bench_peers measures beside
# Safe to run again: packages already present are left alone.
set -euo pipefail

mode=${1:---all}
case "$mode" in
  --all|--run|--demo|--bench) ;;
  *) echo "usage: $0 [--run|--demo|--bench]" >&2; exit 2 ;;
esac

# Building the program and its tools, and what it loads while it plays: playbin with the Ogg and
# Vorbis decoders (base), the HTTP source, MP3 and the sound servers' sinks (good), the ALSA
# output of desktops without a sound server (alsa), HLS streams (bad) and AAC (libav). libcurl is
# the GnuTLS build: GStreamer's HTTP source uses GnuTLS too, so one TLS library is loaded.
run_packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libgl-dev libxcb-shape0-dev
  libcurl4-gnutls-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-alsa
  gstreamer1.0-plugins-bad gstreamer1.0-libav
  libtotem-plparser-dev
)
# The demo's stations: icecast2 fed by gst-launch-1.0, and the scripts that start them.
demo_packages=(icecast2 gstreamer1.0-tools python3)
# The tests, the fuzzing and the format check: the desktops, tray hosts, sound servers and
# buses the whole-program tests run the player on, and the tools that drive and check them.
test_packages=(
  clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev
  strace procps locales
  xvfb xauth x11-utils openbox trayer xdotool imagemagick fonts-dejavu-core
  pulseaudio pulseaudio-utils libasound2-plugins pipewire pipewire-pulse wireplumber
  weston xwayland qt6-wayland
  desktop-file-utils appstream
  dbus-daemon libglib2.0-bin python3-gi at-spi2-core python3-pyatspi gir1.2-atspi-2.0
  gstreamer1.0-plugins-base-apps
)

# The benchmarks' peer: a GStreamer radio player of Debian's, measured side by side.
bench_packages=(goodvibes)

packages=("${run_packages[@]}")
[ "$mode" = --run ] || packages+=("${demo_packages[@]}")
case "$mode" in --all|--bench) packages+=("${test_packages[@]}") ;; esac
[ "$mode" != --bench ] || packages+=("${bench_packages[@]}")

# The tests read and print numbers under a comma-decimal locale.
test_locale=de_DE.UTF-8

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

generate_test_locale() {
  case "$mode" in --all|--bench) ;; *) return 0 ;; esac
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
