#!/usr/bin/env bash
# Renders the SVG pictures in icons/ into the PNG sizes the program loads (icons/png/).
# The PNGs are committed, so a build never needs the renderer: run this after editing an SVG.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/setup.sh"
install_missing_packages librsvg2-bin

ICONS="$ROOT/resources/icons"
OUT="$ICONS/png"
mkdir -p "$OUT"
rm -f "$OUT"/*.png

# render NAME WIDTH HEIGHT: icons/NAME.svg to png/NAME_WIDTHxHEIGHT.png
render() {
    rsvg-convert --width "$2" --height "$3" --output "$OUT/$1_$2x$3.png" "$ICONS/$1.svg"
}

# Notification areas ask for 16 to 24 pixels, scaled desktops for up to 64.
for size in 16 22 24 32 48 64; do
    render tray_activated "$size" "$size"
    render tray_stopped "$size" "$size"
done
# Title bars, task switchers, launchers and the hicolor icon theme of the package.
for size in 16 22 24 32 48 64 128 256; do
    render window "$size" "$size"
done
# The floating panels show the warning at its one design size.
render warning 30 31
