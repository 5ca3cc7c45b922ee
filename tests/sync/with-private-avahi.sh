#!/bin/sh
# Runs a command inside a network namespace of its own, where only loopback exists (with multicast
# switched on), with a private D-Bus system bus and a private avahi-daemon. Nothing reaches the
# host's interfaces; the daemons are stopped and their folder removed when the command ends.
# Usage: with-private-avahi.sh <command> [args...]
set -eu
# A user's PATH may leave out the system folders that ip and the daemons live in.
export PATH="$PATH:/usr/sbin:/sbin"
if [ -z "${VEXLO_PRIVATE_AVAHI_NS:-}" ]; then
    exec env VEXLO_PRIVATE_AVAHI_NS=1 unshare --net --mount --propagation private sh "$0" "$@"
fi
ip link set lo up
ip link set lo multicast on
dir=$(mktemp -d)
# The daemon keeps its pid file and socket in a fixed folder: give it a private one.
mkdir -p /run/avahi-daemon
mount -t tmpfs tmpfs /run/avahi-daemon
bus_pid=""
avahi_pid=""
cleanup() {
    [ -n "$avahi_pid" ] && kill "$avahi_pid" 2>/dev/null && wait "$avahi_pid" 2>/dev/null
    [ -n "$bus_pid" ] && kill "$bus_pid" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
cat > "$dir/bus.conf" <<CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$dir/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
CONF
cat > "$dir/avahi.conf" <<CONF
[server]
use-ipv4=yes
use-ipv6=no
allow-interfaces=lo
enable-dbus=yes
ratelimit-interval-usec=1000000
ratelimit-burst=1000
[wide-area]
enable-wide-area=no
[publish]
publish-hinfo=no
publish-workstation=no
[reflector]
[rlimits]
CONF
bus_pid=$(dbus-daemon --config-file="$dir/bus.conf" --fork --print-pid)
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$dir/system_bus_socket"
avahi-daemon -f "$dir/avahi.conf" --no-drop-root --no-chroot --no-rlimits --no-proc-title >"$dir/avahi.log" 2>&1 &
avahi_pid=$!
n=0
until dbus-send --system --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.NameHasOwner string:org.freedesktop.Avahi 2>/dev/null | grep -q "boolean true"; do
    n=$((n + 1))
    if [ $n -gt 100 ] || ! kill -0 "$avahi_pid" 2>/dev/null; then
        echo "with-private-avahi: avahi-daemon did not start:" >&2
        cat "$dir/avahi.log" >&2
        exit 90
    fi
    sleep 0.1
done
rc=0
VEXLO_PRIVATE_AVAHI=1 "$@" || rc=$?
exit $rc
