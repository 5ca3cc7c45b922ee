#!/bin/sh
# Race day with each station in a network namespace of its own: bench_sync's RaceDay (a master and
# three slaves, each slave reading 1.5 cards a second for a minute; with --master-reads the master
# too) over TLS on veth links joined by a bridge. Everything lives inside a namespace this script
# creates (the bridge, and the bench itself, which counts the bytes on the slaves' links); nothing
# touches the host's interfaces. With --wifi each station sends with 5 ms delay at 20 Mbit/s
# (netem; the rate alone with tbf where the kernel has no netem), roughly a laptop's Wi-Fi.
# Needs root.
# Usage: bench/stations-in-namespaces.sh <build dir> [--wifi] [--master-reads]
set -eu
export PATH="$PATH:/usr/sbin:/sbin"
if [ -z "${VEXLO_STATIONS_NS:-}" ]; then
    bench=$(realpath "$1/bench/bench_sync")
    shift
    exec env VEXLO_STATIONS_NS="$bench" unshare --net --mount --propagation private sh "$0" "$@"
fi
wifi=no
for arg in "$@"; do
    case $arg in
    --wifi) wifi=yes ;;
    --master-reads) export RACEDAY_MASTER_READS=1 ;;
    *) echo "unknown option $arg" >&2 && exit 2 ;;
    esac
done
stations="vxm vxs1 vxs2 vxs3"
cleanup() {
    for ns in $stations; do ip netns del "$ns" 2>/dev/null || true; done
    ip link del vxbr 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# The namespaces' names only in this mount namespace, and /sys showing this network namespace's
# interfaces (where the bench reads their counters).
mount -t tmpfs tmpfs /run
mkdir /run/netns
mount -t sysfs sysfs /sys
ip link set lo up
ip link add vxbr type bridge stp_state 0 forward_delay 0
ip link set vxbr up
n=0
for ns in $stations; do
    n=$((n + 1))
    ip netns add "$ns"
    ip link add "$ns" type veth peer name eth0 netns "$ns"
    ip link set "$ns" master vxbr up
    ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1
    ip -n "$ns" link set lo up
    ip -n "$ns" addr add "10.77.0.$n/24" dev eth0
    ip -n "$ns" link set eth0 up
    if [ $wifi = yes ]; then
        # netem where the kernel has it; otherwise only the rate (tbf), no delay.
        ip netns exec "$ns" tc qdisc add dev eth0 root netem delay 5ms rate 20mbit limit 10000 2>/dev/null \
            || { echo "no netem: 20 Mbit/s without the delay" >&2 &&
                ip netns exec "$ns" tc qdisc add dev eth0 root tbf rate 20mbit burst 64kb latency 100ms; }
    fi
done
RACEDAY_NETNS="$stations" RACEDAY_MASTER_ADDRESS=10.77.0.1 RACEDAY_LINKS="vxs1 vxs2 vxs3" \
    "$VEXLO_STATIONS_NS" --benchmark_filter=RaceDay --benchmark_counters_tabular=true
echo "bytes on the links (as each station sent them):"
for ns in $stations; do
    stats=/sys/class/net/$ns/statistics
    echo "$ns sent $(cat "$stats/rx_bytes") received $(cat "$stats/tx_bytes")"
done
