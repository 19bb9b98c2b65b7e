#!/usr/bin/env bash
# Installs what Pardovane needs from Debian 12's packages, and any further
# packages named as arguments (the benchmarks' own). Safe to run again: it
# installs only what is missing.
# Usage: setup.sh [--run] [PACKAGE...]
#   --run  only what building and running the two programs needs (the first
#          README command); without it, also what the tests, fuzzers,
#          packaging and screenshots need.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  libcurl4-openssl-dev libidn2-dev libre2-dev ca-certificates
  libexpat1-dev zlib1g-dev  # sitemaps: XML and gzip
  libtomlplusplus-dev       # the configuration file, for the window and the command
  libcmark-gfm-dev libcmark-gfm-extensions-dev  # Markdown, parsed as GitHub parses it
  libicu-dev                # Unicode properties and case for Markdown headings' anchors
  qt6-base-dev libgl-dev
  qt6-translations-l10n     # Qt's own menus and dialog buttons in Japanese
  fonts-noto-cjk            # the window's texts
  xdg-utils                 # the edit button opens the list through xdg-open
)
tests=1
if [ "${1:-}" = --run ]; then
  shift
  tests=0
else
  packages+=(
    git python3
    python3-html5lib   # the scanner's tests compare it with html5lib's tokenizer
    libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
    libssl-dev   # the TLS tests make their certificates and server
    python3-jsonschema python3-junitparser   # the JSON report's schema and a JUnit reader
    xvfb xauth
    imagemagick xdotool
    clang libclang-rt-14-dev
    file desktop-file-utils   # packaging: CPack's library scan, the desktop entry check
    lintian appstream         # packaging: the package and its AppStream metadata checked
  )
fi
packages+=("$@")

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

# A real SARIF consumer for the SARIF report's test, from npm where npm is
# installed (the test is skipped without it).
if [ "$tests" = 1 ] && command -v npm >/dev/null && ! command -v sarif-multitool >/dev/null; then
  npm install -g --no-audit --no-fund @microsoft/sarif-multitool@5.7.0 >/dev/null \
    || echo "setup: sarif-multitool could not be installed; its test will be skipped" >&2
fi
