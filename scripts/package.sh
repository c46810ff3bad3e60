#!/usr/bin/env bash
# Installs what is missing, builds, and makes the Debian package with CPack:
# build/korvane_<version>_amd64.deb.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/setup.sh"

install_missing_packages
# "package" builds everything first, then runs cpack in the build folder.
configure_and_build package
ls "$BUILD_DIR"/korvane_*_amd64.deb
