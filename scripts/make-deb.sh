#!/usr/bin/env bash
# Builds the Debian package with Debian's own tools (debhelper, through dpkg-buildpackage) and puts
# quentaril_VERSION_ARCH.deb at the project's root, then runs lintian on it.
#   scripts/make-deb.sh [JOBS]
# The source is copied into build-deb/ first: dpkg-buildpackage writes its results beside the source folder and
# its own files inside debian/, and neither belongs in the project's tree.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${1:-$(nproc)}
work=$root/build-deb
rm -rf "$work"
mkdir -p "$work/quentaril"
tar -C "$root" --exclude=./.git --exclude='./build*' --exclude='./*.deb' -cf - . | tar -C "$work/quentaril" -xf -

(cd "$work/quentaril" && DEB_BUILD_OPTIONS="parallel=$jobs" dpkg-buildpackage -b -us -uc)

version=$(dpkg-parsechangelog -l "$root/debian/changelog" -S Version)
package=quentaril_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb
cp "$work/$package" "$root/$package"
echo "make-deb: $root/$package"
lintian --info "$root/$package"
