#!/usr/bin/env bash
# Redraws src/qml/Assets/varda-fav-icon.png and "Logo Varda Pay - Azul.png".
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
g++ -std=c++17 -fPIC "$root/scripts/draw_assets.cpp" -o "$tmp/draw_assets" $(pkg-config --cflags --libs Qt5Gui)
"$tmp/draw_assets" "$root/src/qml/Assets"
