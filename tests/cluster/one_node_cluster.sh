#!/usr/bin/env bash
# Runs a command inside a one-node Slurm cluster of its own: munged, slurmctld and slurmd
# started from slurm.conf.in under a temporary folder, SLURM_CONF pointing at it, and
# every daemon it started stopped by its pid file however the command ends.
# Usage: one_node_cluster.sh SECONDS COMMAND [ARGS...]: the command is stopped after
# SECONDS (below the test's own time out, so that the daemons are still stopped here).
# Exits 77 (skipped) without Slurm or root.
set -euo pipefail
seconds=$1
shift
here=$(cd "$(dirname "$0")" && pwd)

for program in munged slurmctld slurmd sbatch sinfo runuser python3; do
  if ! command -v "$program" >/dev/null; then
    echo "skipped: $program is not installed"
    exit 77
  fi
done
if [ "$(id -u)" -ne 0 ]; then
  echo "skipped: the daemons must run as root"
  exit 77
fi

root=$(mktemp -d /tmp/ratiohunt-cluster.XXXXXX)
chmod 755 "$root"
stop_daemons() {
  local pid_file pid
  for pid_file in "$root"/slurmd.pid "$root"/slurmctld.pid "$root"/munge/munged.pid; do
    [ -s "$pid_file" ] || continue
    pid=$(cat "$pid_file")
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
  done
  rm -rf "$root"
}
trap stop_daemons EXIT
trap 'exit 1' INT TERM

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

mkdir -p "$root"/munge "$root"/state "$root"/spool
chown munge:munge "$root"/munge
chmod 711 "$root"/munge
# munged refuses a key or seed it does not own; it keeps its copy in its own folder.
install -o munge -g munge -m 600 /etc/munge/munge.key "$root"/munge/munge.key
runuser -u munge -- munged --socket="$root"/munge/munge.socket --key-file="$root"/munge/munge.key \
  --pid-file="$root"/munge/munged.pid --log-file="$root"/munge/munged.log --seed-file="$root"/munge/munged.seed

host=$(hostname -s)
sed -e "s|@HOST@|$host|g" -e "s|@CPUS@|$(nproc)|g" -e "s|@ROOT@|$root|g" \
    -e "s|@MUNGE_SOCKET@|$root/munge/munge.socket|g" \
    -e "s|@CONTROLLER_PORT@|$(free_port)|g" -e "s|@NODE_PORT@|$(free_port)|g" \
    "$here"/slurm.conf.in >"$root"/slurm.conf
export SLURM_CONF="$root"/slurm.conf
show_logs() { tail -n 20 "$root"/*.log "$root"/munge/munged.log >&2 || true; }

slurmctld -i
slurmd -N "$host"
for _ in $(seq 300); do
  if sinfo -h -o %t 2>/dev/null | grep -qx idle; then break; fi
  sleep 0.1
done
if ! sinfo -h -o %t | grep -qx idle; then
  echo "the one-node cluster did not come up" >&2
  show_logs
  exit 1
fi
status=0
timeout "$seconds" "$@" || status=$?
[ "$status" -eq 0 ] || show_logs
exit "$status"
