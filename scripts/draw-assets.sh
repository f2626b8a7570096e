#!/usr/bin/env bash
# Redraws src/backends/qml/Assets/varda-fav-icon.png, "Logo Varda Pay - Azul.png" and
# the desktop icon in packaging/icones (one PNG per hicolor size).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++17 -fPIC "$root/scripts/draw_assets.cpp" -o "$tmp/draw_assets" $(pkg-config --cflags --libs Qt5Gui)
mkdir -p "$root/packaging/icones"
"$tmp/draw_assets" "$root/src/backends/qml/Assets" "$root/packaging/icones"
