#!/usr/bin/env bash
# Builds Morvatix for speed (Release, into build-bench/, the bench preset,
# apart from the build/ of scripts/build.sh) and runs its benchmark. Its files
# live in a temporary folder that is removed however the run ends; TMPDIR
# chooses where.
#
# As root it also models two slow devices and compares cold files there: two
# loop devices with direct I/O over ext4 images, their reads limited by a
# cgroup (blkio.throttle.* of cgroup v1, or io.max of cgroup v2) that the
# benchmark runs in. All of it is set up here and torn down again however the
# run ends.
#
# Options of this script, for the model (defaults in brackets):
#   --slow-rate N          read requests per second of each device [100]
#   --slow-bandwidth MIB   MiB read per second from each device [120]
#   --slow-size SIZE       each file there, e.g. 256M or 1G [256M]
#   --slow-only            only the slow devices, not the files in TMPDIR
#   --no-slow              no slow devices
#   --no-trees             no folder trees (bench/trees.sh, as root)
#   --trees-only           only the folder trees
# Every other option goes to the benchmark itself: --size 256M for a quicker
# run, --slow-runs N, --help for the others.
set -euo pipefail

top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$top/build-bench"

slow=1
slow_only=0
trees=1
trees_only=0
slow_rate=100
slow_bandwidth=120
slow_size=256M
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --slow-rate | --slow-bandwidth | --slow-size)
      if [ $# -lt 2 ]; then
        echo "run.sh: $1 needs a value" >&2
        exit 2
      fi
      case "$1" in
        --slow-rate) slow_rate="$2" ;;
        --slow-bandwidth) slow_bandwidth="$2" ;;
        --slow-size) slow_size="$2" ;;
      esac
      shift
      ;;
    --slow-only) slow_only=1 ;;
    --no-slow) slow=0 ;;
    --no-trees) trees=0 ;;
    --trees-only) trees_only=1 ;;
    --help)
      echo "bench/run.sh models two slow devices when run as root:"
      sed -n 's/^#   /  /p' "${BASH_SOURCE[0]}"
      slow=0
      args+=("$1")
      ;;
    *) args+=("$1") ;;
  esac
  shift
done

"$top/scripts/deps.sh"
(
  cd "$top"
  cmake --preset bench >/dev/null
  cmake --build --preset bench --parallel "$(nproc 2>/dev/null || echo 2)" >/dev/null
)

if [ "$trees_only" -eq 1 ]; then
  exec "$top/bench/trees.sh"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/mvx-bench.XXXXXX")"
loops=()
mounts=()
cgroup=""

cleanup() {
  # Whatever the benchmark left running in the cgroup (a program it started,
  # if it was killed itself) holds files open on the devices.
  if [ -n "$cgroup" ] && [ -e "$cgroup/cgroup.procs" ]; then
    local pid
    for pid in $(cat "$cgroup/cgroup.procs"); do
      kill -KILL "$pid" 2>/dev/null || true
    done
  fi
  # The held read's FUSE mounts, should the benchmark have been killed before
  # it could take them down.
  local mount
  for mount in $(awk -v work="$work/" 'index($2, work) == 1 { print $2 }' /proc/self/mounts); do
    case "$mount" in
      "$work"/slow-*) ;;
      *) umount -l "$mount" 2>/dev/null || true ;;
    esac
  done
  for mount in ${mounts[@]+"${mounts[@]}"}; do
    # The benchmark has just ended; its last files may take a moment to close.
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      mountpoint -q "$mount" || break
      umount "$mount" 2>/dev/null && break
      sleep 0.2
    done
  done
  local loop
  for loop in ${loops[@]+"${loops[@]}"}; do
    losetup -d "$loop" 2>/dev/null || true
  done
  [ -z "$cgroup" ] || rmdir "$cgroup" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A cgroup that limits the reads from the loop devices, given as major:minor.
# Sets $cgroup, or $why and fails.
limit_reads() {
  local bytes=$((slow_bandwidth * 1024 * 1024))
  local v1 v2 device
  v1=$(awk '$3 == "cgroup" && $4 ~ /(^|,)blkio(,|$)/ { print $2; exit }' /proc/self/mounts)
  if [ -n "$v1" ] && [ -e "$v1/blkio.throttle.read_iops_device" ]; then
    cgroup="$v1/mvx-bench-slow.$$"
    mkdir "$cgroup" || {
      why="cannot make a cgroup in $v1"
      return 1
    }
    for device in "$@"; do
      echo "$device $slow_rate" >"$cgroup/blkio.throttle.read_iops_device" &&
        echo "$device $bytes" >"$cgroup/blkio.throttle.read_bps_device" || {
        why="cannot limit reads in $v1"
        return 1
      }
    done
    return 0
  fi
  v2=$(awk '$3 == "cgroup2" { print $2; exit }' /proc/self/mounts)
  if [ -n "$v2" ] && grep -qw io "$v2/cgroup.controllers" 2>/dev/null; then
    if ! grep -qw io "$v2/cgroup.subtree_control"; then
      echo +io >"$v2/cgroup.subtree_control" || {
        why="cannot enable the io controller in $v2"
        return 1
      }
    fi
    cgroup="$v2/mvx-bench-slow.$$"
    mkdir "$cgroup" || {
      why="cannot make a cgroup in $v2"
      return 1
    }
    for device in "$@"; do
      echo "$device riops=$slow_rate rbps=$bytes" >"$cgroup/io.max" || {
        why="cannot limit reads in $v2"
        return 1
      }
    done
    return 0
  fi
  why="this system has no cgroup that limits reads (blkio.throttle.* or io.max)"
  return 1
}

# One slow device with room for $2 files, mounted on $work/slow-$1. Adds to
# $loops and $mounts; sets $why and fails when it cannot be made here.
make_slow_device() {
  local bytes
  bytes=$(numfmt --from=iec "$slow_size" 2>/dev/null) || {
    why="--slow-size $slow_size is no size"
    return 1
  }
  local image="$work/slow-$1.img"
  # Room for the files and what ext4 keeps for itself.
  truncate -s $((bytes * $2 + bytes / 8 + 64 * 1024 * 1024)) "$image"
  # Everything initialised now, so that no background work of ext4 reaches
  # the device while it is measured.
  mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 "$image" || {
    why="mkfs.ext4 failed"
    return 1
  }
  local loop
  loop=$(losetup --find --show --direct-io=on "$image" 2>/dev/null) || {
    why="no loop device is free"
    return 1
  }
  loops+=("$loop")
  local mount_point="$work/slow-$1"
  mkdir "$mount_point"
  mount -o noatime "$loop" "$mount_point" || {
    why="cannot mount $loop"
    return 1
  }
  mounts+=("$mount_point")
}

# The two slow devices: the first holds a pair, the second a copy. Sets $why
# and fails when they cannot be made here.
make_slow_devices() {
  if [ "$(id -u)" -ne 0 ]; then
    why="it needs root (loop devices, mounts and a cgroup)"
    return 1
  fi
  local tool
  for tool in losetup mkfs.ext4 mount umount mountpoint numfmt; do
    command -v "$tool" >/dev/null || {
      why="$tool is missing"
      return 1
    }
  done
  make_slow_device a 2 && make_slow_device b 1 || return 1
  limit_reads "$(cat "/sys/block/${loops[0]#/dev/}/dev")" "$(cat "/sys/block/${loops[1]#/dev/}/dev")"
}

# Everything the benchmark makes, the held read's mounts among it, lies in
# $work.
bench=(env TMPDIR="$work" "$build/bench/mvx-bench" --dir "$work" "${args[@]}")
why=""
if [ "$slow" -eq 1 ] && make_slow_devices; then
  bench+=(--slow-device "${loops[0]}" --slow-dir "${mounts[0]}" --slow-device "${loops[1]}"
    --slow-dir "${mounts[1]}" --slow-size "$slow_size" --slow-rate "$slow_rate"
    --slow-bandwidth "$slow_bandwidth")
  [ "$slow_only" -eq 0 ] || bench+=(--slow-only)
  # The benchmark and every program it starts read under the cgroup's limits;
  # they reach no other device.
  (
    echo "$BASHPID" >"$cgroup/cgroup.procs"
    exec "${bench[@]}"
  )
else
  if [ -n "$why" ]; then
    echo "Slow devices skipped: $why."
    [ "$slow_only" -eq 0 ] || exit 1
  fi
  "${bench[@]}"
fi
if [ "$trees" -eq 1 ]; then
  echo
  "$top/bench/trees.sh"
fi
