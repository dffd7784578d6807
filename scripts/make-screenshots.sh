#!/usr/bin/env bash
# Remakes the README's pictures: the main window on a small sample ledger, and the About window beside it,
# under a virtual screen (Xvfb) with a small window manager (openbox).
#   scripts/make-screenshots.sh [BUILD [OUTDIR]]    defaults: build and docs
# The program runs from a temporary copy on its own sample ledger: no ledger of yours is read or changed.
# QT_SCALE_FACTOR, when set, is passed on, to look at the windows on a scaled screen. Needs xvfb, openbox,
# imagemagick, x11-utils, xdotool and sqlcipher; the virtual screen is SCREENSHOT_DISPLAY (default :77).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
out=${2:-$root/docs}
[[ $build == /* ]] || build=$root/$build
display=${SCREENSHOT_DISPLAY:-:77}

built=$build/quentaril
for needed in "$built" "$build/tools/quentaril-newledger"; do
    [ -x "$needed" ] || { echo "make-screenshots: $needed is missing; build first" >&2; exit 1; }
done
for tool in Xvfb openbox import xdotool xprop xwininfo xdpyinfo sqlcipher; do
    command -v "$tool" >/dev/null || { echo "make-screenshots: $tool is missing" >&2; exit 1; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# The sample ledger: a new one, then a few persons whose notes carry stamps as the Date button writes them.
# The welcome entry moves to the end, so the window opens on a person with notes.
cp "$built" "$work/quentaril"
"$build/tools/quentaril-newledger" "$work/BDPLORN.mdb" >/dev/null
password=$(sed -n 's/.*LedgerPassword = QStringLiteral("\(.*\)");.*/\1/p' "$root/ledger/LedgerFile.h")
[ -n "$password" ] || { echo "make-screenshots: the ledger's password was not found" >&2; exit 1; }
sqlcipher "$work/BDPLORN.mdb" >/dev/null <<SQL
PRAGMA key = '$password';
BEGIN;
CREATE TEMP TABLE welcome AS SELECT * FROM tblPlorn;
DELETE FROM tblPlorn;
INSERT INTO tblPlorn (NomPers, LesPlorns) VALUES
  ('Amélie', 'lundi le 2 mars 26 à 18:40' || char(13, 10) || 'Prêté 20 € pour le marché.'
             || char(13, 10, 13, 10) || 'samedi le 14 mars 26 à 10:05' || char(13, 10)
             || 'Rendu 10 €, reste 10 €.' || char(13, 10, 13, 10) || 'mardi le 24 mars 26 à 19:30'
             || char(13, 10) || 'Tout est rendu, merci !'),
  ('Bastien', 'vendredi le 6 mars 26 à 12:15' || char(13, 10) || 'Je lui dois un café et un croissant.'),
  ('Chloé', 'dimanche le 15 mars 26 à 16:50' || char(13, 10) || 'Avance de 35 € pour les places de concert.'),
  ('Damien', 'jeudi le 19 mars 26 à 08:20' || char(13, 10) || 'Prêt de la perceuse, à rendre avant avril.');
INSERT INTO tblPlorn SELECT * FROM welcome;
COMMIT;
SQL

Xvfb "$display" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
openbox >/dev/null 2>&1 &
pids+=($!)
sleep 1

# Waits for a window whose title starts with $1 and prints its id.
window_named() {
    local id
    for _ in $(seq 100); do
        id=$(xdotool search --onlyvisible --name "^$1" 2>/dev/null | head -n 1) || true
        [ -n "$id" ] && { echo "$id"; return; }
        sleep 0.1
    done
    echo "make-screenshots: no window \"$1\"" >&2
    exit 1
}

# The inside of window $1 on the screen: x y width height.
window_box() {
    xwininfo -id "$1" | awk -F: '/Absolute upper-left X/ { x = $2 } /Absolute upper-left Y/ { y = $2 }
        /^ *Width/ { w = $2 } /^ *Height/ { h = $2 } END { print x + 0, y + 0, w + 0, h + 0 }'
}

# Saves window $1, title bar and border included, as $2.
shoot() {
    local id=$1 file=$2 x y width height
    read -r x y width height < <(window_box "$id")
    local extents left right top bottom
    extents=$(xprop -id "$id" _NET_FRAME_EXTENTS | sed -n 's/.*= //p' | tr -d ' ')
    IFS=, read -r left right top bottom <<<"${extents:-0,0,0,0}"
    import -window root -crop "$((width + left + right))x$((height + top + bottom))+$((x - left))+$((y - top))" \
        +repage "$file"
}

(cd "$work" && LANG=fr_FR.UTF-8 QT_QPA_PLATFORM=xcb ./quentaril >/dev/null 2>&1) &
pids+=($!)
main=$(window_named Quentaril)
xdotool windowmove --sync "$main" 60 60
sleep 1
mkdir -p "$out"
shoot "$main" "$out/main-window.png"

# The About window, opened by its access key and set beside the main window.
xdotool windowactivate --sync "$main" key --clearmodifiers alt+p
about=$(window_named "A propos")
# Beside it when the screen is wide enough, as on a scaled screen it may not be; below it otherwise.
read -r x y width height < <(window_box "$main")
read -r _ _ about_width _ < <(window_box "$about")
screen_width=$(xdpyinfo | awk '/dimensions:/ { split($2, size, "x"); print size[1] }')
if [ $((x + width + 40 + about_width + 20)) -le "$screen_width" ]; then
    xdotool windowmove --sync "$about" $((x + width + 40)) 60
else
    xdotool windowmove --sync "$about" 60 $((y + height + 60))
fi
sleep 1
shoot "$about" "$out/about-window.png"
echo "make-screenshots: $out/main-window.png $out/about-window.png"
