#!/usr/bin/env bash
# Installs the Debian packages Quentaril needs, only those that are missing. Runs as root, or through sudo.
#   install-deps.sh            what building and running the program need (make run)
#   install-deps.sh test       and what the tests need (make test)
#   install-deps.sh bench      and what the benchmarks need (make bench)
#   install-deps.sh fuzz       and clang with libFuzzer (make fuzz)
#   install-deps.sh format     and clang-format (make format)
#   install-deps.sh deb        and Debian's packaging tools (make deb)
set -euo pipefail

# cmark-gfm turns the user's guide (docs/guide.md), tables included, into the HTML page F1 opens.
packages=(
    g++ cmake make pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
    libsqlcipher-dev libicu-dev
    mdbtools-dev libmdb3
    fonts-liberation2
    cmark-gfm
)
for profile in "$@"; do
    case "$profile" in
    # The sqlcipher tool checks ledgers from outside; python3 runs the Jet test-ledger writer; appstream and
    # desktop-file-utils check the software centre's metadata and the launcher.
    test) packages+=(sqlcipher python3 desktop-file-utils appstream) ;;
    # libssl-dev: the floor of a save encrypts pages as SQLCipher does, with OpenSSL's libcrypto. Xvfb and
    # libxdamage-dev: the real program's start-up timed to its first drawing on an X server.
    bench) packages+=(libbenchmark-dev libssl-dev xvfb libxdamage-dev python3 sqlcipher) ;;
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    format) packages+=(clang-format) ;;
    deb) packages+=(debhelper dpkg-dev fakeroot lintian) ;;
    *)
        echo "install-deps: unknown profile $profile" >&2
        exit 2
        ;;
    esac
done

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
