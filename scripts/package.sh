#!/usr/bin/env bash
# Builds the Debian package from this checkout in one go: installs what is
# missing (as root), configures a release build for /usr, and runs CPack.
# The package lands in build-package/ (or $BUILD_DIR); its path is printed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir=${BUILD_DIR:-build-package}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DPARDOVANE_BUILD_UI=ON -DPARDOVANE_BUILD_TESTS=OFF -DPARDOVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" --parallel "${JOBS:-$(nproc)}"
rm -f "$build_dir"/pardovane_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate ui/pardovane.desktop
fi
deb=$(ls "$build_dir"/pardovane_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Depends
echo "$deb"
