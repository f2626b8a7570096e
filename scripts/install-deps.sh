#!/usr/bin/env bash
# Installs, from Debian's archive only, what building and testing needs.
# Skips apt entirely when every package is already there.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git clang-format
    qtbase5-dev qtbase5-dev-tools qtdeclarative5-dev qtdeclarative5-dev-tools
    qtquickcontrols2-5-dev libqrencode-dev
    qml-module-qtquick2 qml-module-qtquick-window2 qml-module-qtquick-layouts
    qml-module-qtquick-controls2 qml-module-qtquick-templates2
    qml-module-qt-labs-platform qml-module-qtqml-models2 qml-module-qttest
    libqt5svg5 qt5-image-formats-plugins
    libbenchmark-dev clang libclang-rt-14-dev
    xvfb xauth fonts-dejavu-core
    python3 poppler-utils cups cups-client
    lintian desktop-file-utils dbus
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
