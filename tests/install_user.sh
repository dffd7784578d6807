#!/usr/bin/env bash
# make install-user and make uninstall-user in a scratch home: the launcher validates and starts the installed
# program, the ledger is made once, private, and never replaced or removed, nor are its backups.
#   install_user.sh INSTALL_SCRIPT BUILD
set -euo pipefail

script=$1
build=$2
built=$build/quentaril
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

command -v desktop-file-validate >/dev/null || fail "desktop-file-validate is missing (scripts/install-deps.sh installs it)"

# Width and height of a PNG, from its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" | awk '{ printf "%dx%d", $3 * 256 + $4, $7 * 256 + $8 }'
}

id=example.varnokel.Quentaril

checksum() {
    sha256sum "$1" | cut -d' ' -f1
}

# $1: the data folder the script is expected to use; $2: the launcher's Exec line.
check_installed() {
    local data=$1 exec_line=$2
    local folder=$data/quentaril
    local launcher=$data/applications/$id.desktop
    [ -x "$folder/quentaril" ] || fail "no program in $folder"
    cmp -s "$folder/quentaril" "$built" || fail "the installed program is not the built one"
    [ -f "$folder/BDPLORN.mdb" ] || fail "no ledger beside the program"
    [ "$(stat -c %a "$folder/BDPLORN.mdb")" = 600 ] || fail "the ledger is not private: $(stat -c %a "$folder/BDPLORN.mdb")"
    [ "$(stat -c %a "$folder")" = 700 ] || fail "the folder is not private"

    desktop-file-validate "$launcher" || fail "the launcher does not validate"
    grep -qx 'Name=Quentaril' "$launcher" || fail "launcher name"
    grep -qx "Icon=$id" "$launcher" || fail "launcher icon"
    grep -q '^Comment=.*personne' "$launcher" || fail "launcher comment"
    grep -qxF "$exec_line" "$launcher" || fail "launcher $(grep ^Exec= "$launcher"), not $exec_line"
    grep -qxF "TryExec=$folder/quentaril" "$launcher" || fail "launcher TryExec"

    for size in 16 32 64; do
        local icon=$data/icons/hicolor/${size}x$size/apps/$id.png
        [ -f "$icon" ] || fail "no $size-pixel icon in the theme"
        [ "$(png_size "$icon")" = "${size}x$size" ] || fail "$icon is $(png_size "$icon")"
        [ -f "$folder/icons/quentaril-$size.png" ] || fail "no $size-pixel icon beside the program"
    done
}

check_uninstalled() {
    local data=$1
    [ ! -e "$data/quentaril/quentaril" ] || fail "the program is still there"
    [ ! -e "$data/quentaril/icons" ] || fail "the icons beside the program are still there"
    [ ! -e "$data/applications/$id.desktop" ] || fail "the launcher is still there"
    [ -z "$(find "$data/icons" -name "$id.png")" ] || fail "theme icons are still there"
}

# Default place: ~/.local/share.
export HOME=$scratch/home
mkdir -p "$HOME"
unset XDG_DATA_HOME
data=$HOME/.local/share
# What an earlier version installed under the old name, which would be a second entry in the menu.
mkdir -p "$data/applications" "$data/icons/hicolor/32x32/apps"
printf '[Desktop Entry]\n' >"$data/applications/quentaril.desktop"
printf 'png' >"$data/icons/hicolor/32x32/apps/quentaril.png"
"$script" "$build" >/dev/null
check_installed "$data" "Exec=\"$data/quentaril/quentaril\""
[ ! -e "$data/applications/quentaril.desktop" ] || fail "the launcher of the old name is still there"
[ -z "$(find "$data/icons" -name quentaril.png)" ] || fail "theme icons of the old name are still there"
ledger=$data/quentaril/BDPLORN.mdb
made=$(checksum "$ledger")

# The user's notes change the file; a second install keeps it as it is, and so does uninstalling.
printf 'notes' >>"$ledger"
kept=$(checksum "$ledger")
[ "$kept" != "$made" ] || fail "the ledger did not change"
# The program's daily backups beside the ledger, private as it makes them, and a file of the user's there.
backups=$data/quentaril/BDPLORN-sauvegardes
mkdir -m 0700 "$backups"
install -m 0600 "$ledger" "$backups/BDPLORN-2026-12-07.mdb"
printf 'mes remarques' >"$backups/remarques.txt"
check_backups_kept() {
    [ -d "$backups" ] || fail "$1 removed the backup folder"
    [ "$(stat -c %a "$backups")" = 700 ] || fail "$1 changed the backup folder's mode: $(stat -c %a "$backups")"
    [ "$(checksum "$backups/BDPLORN-2026-12-07.mdb")" = "$kept" ] || fail "$1 changed or removed a backup"
    [ "$(stat -c %a "$backups/BDPLORN-2026-12-07.mdb")" = 600 ] || fail "$1 changed a backup's mode"
    [ "$(cat "$backups/remarques.txt")" = 'mes remarques' ] || fail "$1 changed the user's file among the backups"
}
"$script" "$build" >/dev/null
check_installed "$data" "Exec=\"$data/quentaril/quentaril\""
[ "$(checksum "$ledger")" = "$kept" ] || fail "a reinstall changed the ledger"
check_backups_kept "a reinstall"
message=$("$script" --uninstall)
check_uninstalled "$data"
[ "$(checksum "$ledger")" = "$kept" ] || fail "uninstalling changed the ledger"
check_backups_kept "uninstalling"
grep -qF "backups stay in $backups" <<<"$message" || fail "uninstalling does not say where the backups stay: $message"
"$script" --uninstall >/dev/null || fail "a second uninstall fails"
"$script" "$build" >/dev/null
[ "$(checksum "$ledger")" = "$kept" ] || fail "installing again replaced the ledger"
check_backups_kept "installing again"

# XDG_DATA_HOME, with characters the launcher must quote; a relative one is ignored.
export XDG_DATA_HOME="$scratch/données \$HOME \"x\""
"$script" "$build" >/dev/null
# Quoted for Exec (\$, \"), then each backslash doubled as in every value.
check_installed "$XDG_DATA_HOME" "Exec=\"$scratch/données \\\\\$HOME \\\\\"x\\\\\"/quentaril/quentaril\""
"$script" --uninstall >/dev/null
check_uninstalled "$XDG_DATA_HOME"
[ -f "$XDG_DATA_HOME/quentaril/BDPLORN.mdb" ] || fail "uninstalling removed the ledger"
XDG_DATA_HOME=relative "$script" --uninstall >/dev/null
check_uninstalled "$data"
[ "$(checksum "$ledger")" = "$kept" ] || fail "uninstalling removed the ledger"

echo "install-user: all checks passed"
