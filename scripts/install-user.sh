#!/usr/bin/env bash
# Installs Quentaril for the current user, without root: the program, its ledger and its icons in one folder
# (the program opens the ledger beside itself), a launcher in the applications menu and the icon in the
# user's icon theme.
#   scripts/install-user.sh [BUILD]       installs what BUILD (default: build) holds; an existing ledger is kept
#   scripts/install-user.sh --uninstall   removes the program, the launcher and the icons, never the ledger
#                                         nor its backups
# Everything goes under $XDG_DATA_HOME, or ~/.local/share when it is unset.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
# XDG base directories ignore a relative XDG_DATA_HOME.
data=${XDG_DATA_HOME:-}
[[ $data == /* ]] || data=$HOME/.local/share
folder=$data/quentaril
program=$folder/quentaril
# The user's guide F1 opens, HTML and pictures.
guide=$folder/guide
ledger=$folder/BDPLORN.mdb
# The program's daily backups of the ledger, which uninstalling keeps as it keeps the ledger.
backups=$folder/BDPLORN-sauvegardes
# The launcher and the theme's icons go by the id the package uses too: one entry in the menu, whichever is there
# (the user's launcher hides the system's of the same name).
id=example.varnokel.Quentaril
launcher=$data/applications/$id.desktop
theme=$data/icons/hicolor
sizes=(16 32 64)

# A value of the launcher's Exec key: the path in double quotes, with the characters the desktop entry
# format reserves escaped, then the backslashes doubled as in any of its strings.
exec_value() {
    local quoted=$1
    quoted=${quoted//\\/\\\\}
    quoted=${quoted//\"/\\\"}
    quoted=${quoted//\`/\\\`}
    quoted=${quoted//\$/\\\$}
    quoted=\"$quoted\"
    quoted=${quoted//\\/\\\\}
    printf '%s' "${quoted//%/%%}"
}

# Any other string value: only backslashes are special.
string_value() {
    printf '%s' "${1//\\/\\\\}"
}

# The launcher and theme icons of earlier versions, named quentaril: they would show a second entry.
remove_old_names() {
    rm -f "$data/applications/quentaril.desktop"
    for size in "${sizes[@]}"; do
        rm -f "$theme/${size}x$size/apps/quentaril.png"
    done
}

uninstall() {
    rm -f "$program" "$launcher"
    rm -rf "$guide"
    remove_old_names
    for size in "${sizes[@]}"; do
        rm -f "$folder/icons/quentaril-$size.png" "$theme/${size}x$size/apps/$id.png"
    done
    rmdir "$folder/icons" 2>/dev/null || true
    rmdir "$folder" 2>/dev/null || true
    if [ -e "$ledger" ]; then
        echo "install-user: Quentaril removed; the ledger stays in $ledger"
    else
        echo "install-user: Quentaril removed"
    fi
    if [ -d "$backups" ]; then
        echo "install-user: its daily backups stay in $backups"
    fi
}

install() {
    local build=$1
    [[ $build == /* ]] || build=$root/$build
    # The executable is built in app/ unless the build puts every program at its top.
    local built=$build/quentaril
    for needed in "$built" "$build/tools/quentaril-newledger" "$build/guide/index.html"; do
        if [ ! -f "$needed" ] || { [[ $needed != *.html ]] && [ ! -x "$needed" ]; }; then
            echo "install-user: $needed is missing; build first (make build)" >&2
            exit 1
        fi
    done

    # The folder holds the ledger: private to its owner.
    if [ ! -d "$folder" ]; then
        mkdir -p "$(dirname "$folder")"
        mkdir -m 0700 "$folder"
    fi
    # install(1) replaces the file rather than writing into it, so a running copy is not disturbed.
    command install -m 0755 "$built" "$program"
    "$build/tools/quentaril-newledger" --if-missing "$ledger" >/dev/null
    rm -rf "$guide"
    mkdir -p "$guide"
    command install -m 0644 "$build"/guide/* "$guide"/

    mkdir -p "$folder/icons"
    for size in "${sizes[@]}"; do
        command install -m 0644 "$root/assets/main-icon-$size.png" "$folder/icons/quentaril-$size.png"
        mkdir -p "$theme/${size}x$size/apps"
        command install -m 0644 "$root/assets/main-icon-$size.png" "$theme/${size}x$size/apps/$id.png"
    done
    remove_old_names
    # Menus watch the theme folder's time to notice new icons.
    touch "$theme"

    mkdir -p "$(dirname "$launcher")"
    # Written and checked aside, so the menu never sees a half-written or faulty launcher.
    local draft
    aside=$(mktemp -d)
    trap 'rm -rf "$aside"' EXIT
    draft=$aside/$id.desktop
    cat >"$draft" <<EOF
[Desktop Entry]
Type=Application
Version=1.4
Name=Quentaril
GenericName=Carnet de comptes
Comment=Tenir le compte des plorns de vos proches, personne par personne
Keywords=dette;prêt;compte;carnet;plorn;
Icon=$id
TryExec=$(string_value "$program")
Exec=$(exec_value "$program")
Path=$(string_value "$folder")
Terminal=false
Categories=Office;Finance;
StartupNotify=true
StartupWMClass=Quentaril
EOF
    if command -v desktop-file-validate >/dev/null 2>&1 && ! desktop-file-validate "$draft"; then
        echo "install-user: the launcher did not validate" >&2
        exit 1
    fi
    command install -m 0644 "$draft" "$launcher"
    echo "install-user: Quentaril installed in $folder; its ledger is $ledger"
}

case "${1:-}" in
--uninstall) uninstall ;;
-*)
    echo "usage: install-user.sh [BUILD] | --uninstall" >&2
    exit 2
    ;;
*) install "${1:-build}" ;;
esac
