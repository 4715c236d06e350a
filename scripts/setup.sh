#!/bin/sh
# Installs the Debian packages the build needs (when missing), configures and builds.
# Sourced by scripts/start and scripts/test; BUILD_DIR defaults to ./build, and
# VISTREL_CMAKE_OPTIONS, when set, goes to the first configure.
set -eu

VISTREL_ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-"$VISTREL_ROOT/build"}

VISTREL_PACKAGES="g++ cmake ninja-build ccache pkg-config qt6-base-dev qt6-l10n-tools qt6-qpa-plugins libqt6svg6 \
adwaita-icon-theme hicolor-icon-theme fonts-dejavu-core shared-mime-info libsqlite3-dev libtbb-dev \
libplist-dev libblkid-dev libxxhash-dev libicu-dev googletest libgtest-dev libgmock-dev desktop-file-utils appstream"

install_missing_packages() {
    missing=""
    for package in $VISTREL_PACKAGES "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
            missing="$missing $package"
        fi
    done
    [ -z "$missing" ] && return 0
    echo "Installing:$missing" >&2
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update -q
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends $missing
}

configure_and_build() {
    if [ ! -f "$BUILD_DIR/build.ninja" ]; then
        # shellcheck disable=SC2086
        cmake -S "$VISTREL_ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            ${VISTREL_CMAKE_OPTIONS:-} >&2
    fi
    # Build output goes to stderr so that stdout carries only what the program prints.
    cmake --build "$BUILD_DIR" "$@" >&2
}
