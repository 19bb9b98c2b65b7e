#!/usr/bin/env bash
# Installs what Pardovane needs to build, test and run, from Debian 12's
# packages, and any further packages named as arguments (the benchmarks' own).
# Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  libcurl4-openssl-dev libidn2-dev libre2-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  libssl-dev   # the TLS tests make their certificates and server
  qt6-base-dev libgl-dev
  fonts-noto-cjk
  xvfb xauth
  imagemagick xdotool
  clang libclang-rt-14-dev
  python3 python3-html5lib   # the scanner's tests compare it with html5lib's tokenizer
  file desktop-file-utils   # packaging: CPack's library scan, the desktop entry check
  lintian appstream         # packaging: the package and its AppStream metadata checked
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: missing packages: ${missing[*]}; run this script as root" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
