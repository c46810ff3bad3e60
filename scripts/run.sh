#!/usr/bin/env bash
# Installs what is missing, builds, and launches Korvane from its portable folder.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
source "$ROOT/scripts/setup.sh"

install_missing_packages psmisc
configure_and_build Korvane
PORTABLE="$BUILD_DIR/portable"
mkdir -p "$PORTABLE/system"
# The log is never created by the program itself: it must exist from installation on.
[ -e "$PORTABLE/system/KVlog.txt" ] || : >"$PORTABLE/system/KVlog.txt"
exec "$PORTABLE/Korvane" "$@"
