#!/usr/bin/env bash
# Runs inside a mount namespace of its own (unshare --mount): lays an overlay over this
# system's root, so that nothing reaches the real one, installs the package there with
# apt-get, checks what the maintainer scripts did, runs the installed window as an
# ordinary user, and purges the package again. Exit 77: no scratch root can be made here.
# Usage: scratch_root_install.sh FOLDER DEB
set -euo pipefail
FOLDER=$1
DEB=$2
ROOT="$FOLDER/root"
mkdir -p "$FOLDER/upper" "$FOLDER/work" "$ROOT"
if [ "$(id -u)" -ne 0 ] ||
    ! mount -t overlay overlay -o "lowerdir=/,upperdir=$FOLDER/upper,workdir=$FOLDER/work" "$ROOT" 2>/dev/null; then
    exit 77
fi
mount -t proc proc "$ROOT/proc"
mount --rbind /dev "$ROOT/dev"
# No service manager runs in the scratch root: the scripts must only enable, not start.
mount -t tmpfs tmpfs "$ROOT/run"
mount -t tmpfs tmpfs "$ROOT/tmp"
cp "$DEB" "$ROOT/tmp/"

chroot "$ROOT" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEB="/tmp/$(basename "$DEB")" /bin/bash -s <<'INSIDE'
set -euo pipefail
fail() { echo "scratch root: $*" >&2; exit 1; }

# The machine may have the group already, with members of its own: only the package's doing counts.
members_before="$(getent group korvane | cut -d: -f4)"
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$DEB" \
    >/tmp/apt.log 2>&1 || { cat /tmp/apt.log; fail "apt-get install failed"; }
dpkg-query -W -f='${Status}' korvane | grep -q 'install ok installed' || fail "korvane is not installed"

# The guard's group and socket, when the package ships them: made and enabled, nobody added.
if [ -f /usr/lib/sysusers.d/korvane.conf ]; then
    getent group korvane >/dev/null || fail "the group korvane was not made"
    [ "$(getent group korvane | cut -d: -f4)" = "$members_before" ] || fail "the package added users to the group korvane"
fi
for folder in /lib/systemd/system /usr/lib/systemd/system; do
    if [ -f "$folder/korvane-guard.socket" ]; then
        find /etc/systemd/system -name korvane-guard.socket -type l | grep -q . ||
            fail "korvane-guard.socket was not enabled"
    fi
done

# The installed window, started by its command as an ordinary user: a private data
# folder in the home, seeded at the first start, saved at SIGTERM.
useradd --create-home --shell /bin/sh korvane-tester
HOME_DIR=/home/korvane-tester
DATA="$HOME_DIR/.local/share/korvane"
install -d -o korvane-tester -m 0700 /tmp/korvane-tester-run
# setpriv execs the program itself, so the signal below reaches the window.
setpriv --reuid=korvane-tester --regid=korvane-tester --init-groups env -i HOME="$HOME_DIR" PATH=/usr/bin:/bin \
    QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/korvane-tester-run korvane >/tmp/korvane.log 2>&1 &
WINDOW=$!
for _ in $(seq 300); do
    [ -f "$DATA/Korvane.ini" ] && [ -f "$DATA/system/mpl.lst" ] && break
    sleep 0.1
done
sleep 2
kill -TERM "$WINDOW"
wait "$WINDOW" || { cat /tmp/korvane.log; fail "the window did not end cleanly at SIGTERM"; }
[ "$(stat -c '%a %U' "$DATA")" = "700 korvane-tester" ] || fail "$DATA is $(stat -c '%a %U' "$DATA")"
for file in Korvane.ini ncr.dll system/KVlog.txt system/Safe.lst system/Kill.lst system/NeverKill.lst system/mpl.lst; do
    [ -f "$DATA/$file" ] || fail "$DATA/$file is missing"
done
[ ! -s "$DATA/system/KVlog.txt" ] || { cat "$DATA/system/KVlog.txt"; fail "the first start logged a problem"; }
[ "$(ls /usr/lib/korvane)" = Korvane ] || fail "/usr/lib/korvane holds $(ls /usr/lib/korvane)"

DEBIAN_FRONTEND=noninteractive apt-get purge -y korvane >/tmp/apt.log 2>&1 ||
    { cat /tmp/apt.log; fail "apt-get purge failed"; }
[ ! -e /usr/lib/korvane/Korvane ] || fail "the window is still there after the purge"
echo "scratch root: installed, ran as korvane-tester, purged"
INSIDE
