#!/usr/bin/env bash
# Runs the README's two commands (build and run lintop; install what the tests
# need and run every test) in a clean Debian root file system, as a newcomer
# on that release would:
#   tools/test-debian.sh 13
# The root file system is made once with debootstrap, from the Debian mirror
# that this machine's own apt sources name, and kept outside the clone for
# reuse (its package lists refreshed at each run): in
# $LINTOP_ROOTFS_DIR/debian-NN for Debian NN, where $LINTOP_ROOTFS_DIR is
# /var/tmp/lintop-rootfs unless set. The clone of the current commit in it is
# made anew each time; what is not committed is not tested. Runs as root:
# debootstrap, chroot and mount need it. Every mount is taken away on exit.
set -euo pipefail
cd "$(dirname "$0")/.."

case "${1:-}" in
12) codename=bookworm ;;
13) codename=trixie ;;
*)
    echo "usage: tools/test-debian.sh 12|13" >&2
    exit 1
    ;;
esac
if [ "$(id -u)" -ne 0 ]; then
    echo "test-debian: debootstrap, chroot and mount need root" >&2
    exit 1
fi
command -v debootstrap >/dev/null || {
    echo "test-debian: debootstrap is missing (apt-get install debootstrap)" >&2
    exit 1
}
root=${LINTOP_ROOTFS_DIR:-/var/tmp/lintop-rootfs}/debian-$1
# Bounds that keep a CI run well inside its time: making the root file
# system, and the two commands inside it.
make_minutes=20
run_minutes=55

# The mirror of the host's own release in its apt sources, in either format.
host_codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
mirror=$(
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
        awk -v suite="$host_codename" 'BEGIN { RS = "" }
            {
                uris = ""; found = 0
                n = split($0, lines, "\n")
                for (i = 1; i <= n; i++) {
                    if (lines[i] ~ /^URIs:/) { split(lines[i], f, " "); uris = f[2] }
                    if (lines[i] ~ /^Suites:/ && (" " lines[i] " ") ~ (" " suite " ")) found = 1
                }
                if (found && uris != "") { print uris; exit }
            }'
)
if [ -z "$mirror" ] && [ -f /etc/apt/sources.list ]; then
    mirror=$(awk -v suite="$host_codename" '$1 == "deb" {
            for (i = 2; i <= NF; i++) if ($i !~ /^\[/ && $(i + 1) == suite) { print $i; exit }
        }' /etc/apt/sources.list)
fi
if [ -z "$mirror" ]; then
    echo "test-debian: no Debian mirror for $host_codename in this machine's apt sources" >&2
    exit 1
fi

# mounts: the file systems that the tests need inside, in mounting order.
mounts=(proc sys dev dev/pts dev/shm)
unmount_all() {
    local i pid
    # Nothing may keep a mount busy: a wineserver started inside, say.
    for pid in /proc/[0-9]*; do
        [ "$(readlink "$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "${pid#/proc/}" 2>/dev/null || true
    done
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        if mountpoint -q "$root/${mounts[i]}"; then
            umount "$root/${mounts[i]}" 2>/dev/null || umount -l "$root/${mounts[i]}"
        fi
    done
}
trap unmount_all EXIT

if [ ! -f "$root/.lintop-ready" ]; then
    # A root that an earlier run left half made is made again: nothing may be
    # mounted in it when it goes, and removal stays on its own file system.
    unmount_all
    rm -rf --one-file-system "$root"
    mkdir -p "$root"
    echo "test-debian: making a Debian $1 ($codename) root file system in $root from $mirror"
    started=$SECONDS
    timeout "${make_minutes}m" debootstrap --variant=minbase "$codename" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 || {
        tail -n 20 "$root.debootstrap.log"
        echo "test-debian: debootstrap failed (log: $root.debootstrap.log)" >&2
        exit 1
    }
    touch "$root/.lintop-ready"
    echo "test-debian: made in $((SECONDS - started)) s"
fi

mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs shm "$root/dev/shm"
cp /etc/resolv.conf "$root/etc/resolv.conf"

# A clone of the commit checked out here, where the README's commands run.
rm -rf "$root/work"
mkdir -p "$root/work"
git clone -q --no-local "$PWD" "$root/work/lintop"
git -C "$root/work/lintop" checkout -q --detach "$(git rev-parse HEAD)"

# The two commands as the README gives them, without their comments.
build_command=$(sed -n 's/^\(tools\/install-deps\.sh build && .*\)$/\1/p' README.md)
test_command=$(sed -n 's/^\(tools\/install-deps\.sh && tools\/test-all\.sh\).*$/\1/p' README.md)
if [ -z "$build_command" ] || [ -z "$test_command" ]; then
    echo "test-debian: README.md no longer gives its build or its test command as this script expects" >&2
    exit 1
fi

# Debian 13's 32-bit Wine installs wherever the kernel runs i386 code, so
# there its runs are required: a skip fails. Debian 12's may not be had from
# a mirror whose i386 index is caught mid-sync, and then its runs are skipped.
runs_32bit=${LINTOP_32BIT_RUNS:-}
if [ "$1" = 13 ] && bash tools/runs-32bit.sh kernel; then
    runs_32bit=yes
fi

# The cross builds for other processors take some twenty minutes under
# qemu-user; the host's own run makes and tests them, so the root leaves them
# out, by name, unless LINTOP_CROSS_RUNS says otherwise.
cross_runs=${LINTOP_CROSS_RUNS:-no}

echo "test-debian: Debian $1: $build_command"
echo "test-debian: Debian $1: $test_command"
started=$SECONDS
timeout "${run_minutes}m" chroot "$root" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    HOME=/root LANG=C.UTF-8 TERM=dumb DEBIAN_FRONTEND=noninteractive CI="${CI:-}" LINTOP_32BIT_RUNS="$runs_32bit" \
    LINTOP_CROSS_RUNS="$cross_runs" \
    bash -c "cd /work/lintop && { apt-get update -q >/dev/null || true; } && $build_command && $test_command"
echo "test-debian: Debian $1 passed in $((SECONDS - started)) s"
