#!/usr/bin/env bash
# Installs the Debian packages Quentaril needs to build, test and run.
# Idempotent: installs only what is missing. Runs as root, or through sudo.
set -euo pipefail

packages=(
    g++ cmake make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
    libsqlcipher-dev sqlcipher
    mdbtools-dev libmdb3 python3
    fonts-liberation2
    libgtest-dev libbenchmark-dev
    clang-format
    desktop-file-utils
)
# `install-deps.sh fuzz` adds the compiler and runtime of make fuzz (libFuzzer comes with clang's runtime).
if [ "${1:-}" = fuzz ]; then
    packages+=(clang libclang-rt-14-dev)
fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
