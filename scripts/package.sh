#!/usr/bin/env bash
# Builds the Debian package from this checkout in one go: installs what is
# missing (as root), configures a release build for /usr with Debian's
# hardening flags, runs CPack, and checks the result with lintian, failing on
# any error or warning. The package lands in build-package/ (or $BUILD_DIR);
# its path is printed last.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build_dir=${BUILD_DIR:-build-package}

# PIE, bind now, fortify and the stack protector, as Debian builds its own.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)

cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
  -DPARDOVANE_BUILD_UI=ON -DPARDOVANE_BUILD_TESTS=OFF -DPARDOVANE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" --parallel "${JOBS:-$(nproc)}"
rm -f "$build_dir"/pardovane_*.deb
(cd "$build_dir" && cpack -G DEB >/dev/null)
desktop-file-validate ui/pardovane.desktop
appstreamcli validate --no-net packaging/pardovane.metainfo.xml >/dev/null
deb=$(ls "$build_dir"/pardovane_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Depends Recommends
# Informational tags are shown too, but only errors and warnings fail.
lintian --info --display-info --fail-on error,warning "$deb"
echo "$deb"
