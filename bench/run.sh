#!/usr/bin/env bash
# Builds Morvatix for speed (Release, into build-bench/, the bench preset,
# apart from the build/ of scripts/build.sh) and runs its benchmark against
# cmp -s. The files live in a temporary folder that
# is removed however the run ends; TMPDIR chooses where.
#
# As root it also models a slow device and compares a pair of cold files
# there: a loop device with direct I/O over an ext4 image, its read-ahead set,
# and its reads limited by a cgroup (blkio.throttle.* of cgroup v1, or io.max
# of cgroup v2) that the benchmark runs in. All of it is set up here and torn
# down again however the run ends.
#
# Options of this script, for the model (defaults in brackets):
#   --slow-rate N          read requests per second [100]
#   --slow-bandwidth MIB   MiB read per second [120]
#   --slow-read-ahead KIB  the device's read-ahead [128]
#   --slow-size SIZE       each of the two files, e.g. 256M or 1G [256M]
#   --slow-only            only the slow device, not the files in TMPDIR
#   --no-slow              no slow device
# Every other option goes to the benchmark itself: --size 256M for a quicker
# run, --slow-runs N, --help for the others.
set -euo pipefail

top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$top/build-bench"

slow=1
slow_only=0
slow_rate=100
slow_bandwidth=120
slow_read_ahead=128
slow_size=256M
args=()
while [ $# -gt 0 ]; do
  case "$1" in
    --slow-rate | --slow-bandwidth | --slow-read-ahead | --slow-size)
      if [ $# -lt 2 ]; then
        echo "run.sh: $1 needs a value" >&2
        exit 2
      fi
      case "$1" in
        --slow-rate) slow_rate="$2" ;;
        --slow-bandwidth) slow_bandwidth="$2" ;;
        --slow-read-ahead) slow_read_ahead="$2" ;;
        --slow-size) slow_size="$2" ;;
      esac
      shift
      ;;
    --slow-only) slow_only=1 ;;
    --no-slow) slow=0 ;;
    --help)
      echo "bench/run.sh models a slow device when run as root:"
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

work="$(mktemp -d "${TMPDIR:-/tmp}/mvx-bench.XXXXXX")"
loop=""
mount_point=""
cgroup=""

cleanup() {
  if [ -n "$mount_point" ] && mountpoint -q "$mount_point"; then
    # The benchmark has just ended; its last files may take a moment to close.
    for _ in 1 2 3 4 5 6 7 8 9 10; do
      umount "$mount_point" 2>/dev/null && break
      sleep 0.2
    done
  fi
  [ -z "$loop" ] || losetup -d "$loop" 2>/dev/null || true
  [ -z "$cgroup" ] || rmdir "$cgroup" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# A cgroup that limits the reads from the loop device; $1 is its
# major:minor. Sets $cgroup, or $why and fails.
limit_reads() {
  local bytes=$((slow_bandwidth * 1024 * 1024))
  local v1 v2
  v1=$(awk '$3 == "cgroup" && $4 ~ /(^|,)blkio(,|$)/ { print $2; exit }' /proc/self/mounts)
  if [ -n "$v1" ] && [ -e "$v1/blkio.throttle.read_iops_device" ]; then
    cgroup="$v1/mvx-bench-slow.$$"
    if mkdir "$cgroup" &&
      echo "$1 $slow_rate" >"$cgroup/blkio.throttle.read_iops_device" &&
      echo "$1 $bytes" >"$cgroup/blkio.throttle.read_bps_device"; then
      return 0
    fi
    why="cannot limit reads in $v1"
    return 1
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
    if mkdir "$cgroup" && echo "$1 riops=$slow_rate rbps=$bytes" >"$cgroup/io.max"; then
      return 0
    fi
    why="cannot limit reads in $v2"
    return 1
  fi
  why="this system has no cgroup that limits reads (blkio.throttle.* or io.max)"
  return 1
}

# The slow device, mounted on $mount_point. Sets $why and fails when it cannot
# be made here.
make_slow_device() {
  if [ "$(id -u)" -ne 0 ]; then
    why="it needs root (a loop device, a mount and a cgroup)"
    return 1
  fi
  local tool
  for tool in losetup mkfs.ext4 mount umount mountpoint numfmt; do
    command -v "$tool" >/dev/null || {
      why="$tool is missing"
      return 1
    }
  done
  local bytes
  bytes=$(numfmt --from=iec "$slow_size" 2>/dev/null) || {
    why="--slow-size $slow_size is no size"
    return 1
  }
  local image="$work/slow.img"
  # Room for both files and what ext4 keeps for itself.
  truncate -s $((bytes * 2 + bytes / 8 + 64 * 1024 * 1024)) "$image"
  # Everything initialised now, so that no background work of ext4 reaches
  # the device while it is measured.
  mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 "$image" || {
    why="mkfs.ext4 failed"
    return 1
  }
  loop=$(losetup --find --show --direct-io=on "$image" 2>/dev/null) || {
    loop=""
    why="no loop device is free"
    return 1
  }
  local name="${loop#/dev/}"
  echo "$slow_read_ahead" >"/sys/block/$name/queue/read_ahead_kb" || {
    why="cannot set the read-ahead of $loop"
    return 1
  }
  mount_point="$work/slow"
  mkdir "$mount_point"
  mount -o noatime "$loop" "$mount_point" || {
    why="cannot mount $loop"
    return 1
  }
  limit_reads "$(cat "/sys/block/$name/dev")"
}

bench=("$build/bench/mvx-bench" --dir "$work" "${args[@]}")
why=""
if [ "$slow" -eq 1 ] && make_slow_device; then
  bench+=(--slow-device "$loop" --slow-dir "$mount_point" --slow-size "$slow_size"
    --slow-rate "$slow_rate" --slow-bandwidth "$slow_bandwidth" --slow-read-ahead "$slow_read_ahead")
  [ "$slow_only" -eq 0 ] || bench+=(--slow-only)
  # The benchmark and every program it starts read under the cgroup's limits;
  # they reach no other device.
  (
    echo "$BASHPID" >"$cgroup/cgroup.procs"
    exec "${bench[@]}"
  )
else
  if [ -n "$why" ]; then
    echo "Slow device case skipped: $why."
    [ "$slow_only" -eq 0 ] || exit 1
  fi
  "${bench[@]}"
fi
