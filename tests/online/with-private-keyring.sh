#!/bin/sh
# Runs a command inside a private D-Bus session with a throwaway, unlocked gnome-keyring whose
# files live in a temporary folder; the keyring daemon (by its pid) and the folder are removed
# when the command ends, the session bus by dbus-run-session.
# Usage: with-private-keyring.sh <command> [args...]
set -eu
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/data" "$home/config" "$home/runtime"
chmod 700 "$home/runtime"
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_RUNTIME_DIR="$home/runtime"
unset DISPLAY WAYLAND_DISPLAY
dbus-run-session -- sh -c '
    printf pw | gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null 2>&1 &
    keyring=$!
    # Wait (bounded) until the Secret Service owns its name on the private bus.
    n=0
    until dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
            org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q "boolean true"; do
        n=$((n + 1))
        if [ $n -gt 100 ] || ! kill -0 $keyring 2>/dev/null; then
            echo "with-private-keyring: gnome-keyring-daemon did not start" >&2
            kill $keyring 2>/dev/null || true
            exit 90
        fi
        sleep 0.1
    done
    rc=0
    VEXLO_PRIVATE_KEYRING=1 "$@" || rc=$?
    kill $keyring 2>/dev/null || true
    wait $keyring 2>/dev/null || true
    exit $rc
' sh "$@"
