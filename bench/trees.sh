#!/usr/bin/env bash
# morvatix-cmp on two folder trees, side by side with what the device gives at
# best and with diff -rq: on an ext4 file system of its own over a loop device,
# mounted afresh before every run, so that every program starts cold. Needs
# root; bench/run.sh builds what it runs and calls it.
#   --runs N           runs of each program [3]
#   --files N          files in each tree of small files [20000]
#   --bytes N          bytes in each tree of small files [1100000000]
#   --large-files N    files in each tree of large files [4]
#   --large-size SIZE  each of those, e.g. 256M [128M]
set -euo pipefail

top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$top/build-bench"
tool="$build/bench/mvx-bench-trees"
runner="$build/bench/mvx-bench-run"
cmp="$build/morvatix-cmp"

runs=3
files=20000
bytes=1100000000
large_files=4
large_size=128M
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift ;;
    --files) files=$2; shift ;;
    --bytes) bytes=$2; shift ;;
    --large-files) large_files=$2; shift ;;
    --large-size) large_size=$2; shift ;;
    *) echo "trees.sh: unknown option $1" >&2; exit 2 ;;
  esac
  shift
done
large_bytes=$(numfmt --from=iec "$large_size")

if [ "$(id -u)" -ne 0 ]; then
  echo "Trees skipped: they need root (a loop device and its mounts)."
  exit 0
fi
for program in "$tool" "$runner" "$cmp"; do
  [ -x "$program" ] || { echo "trees.sh: $program is missing: run bench/run.sh" >&2; exit 1; }
done

work="$(mktemp -d "${TMPDIR:-/tmp}/mvx-trees.XXXXXX")"
loop=""
mnt="$work/mnt"
cleanup() {
  if mountpoint -q "$mnt" 2>/dev/null; then
    umount "$mnt" 2>/dev/null || umount -l "$mnt" 2>/dev/null || true
  fi
  [ -z "$loop" ] || losetup -d "$loop" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo "Trees: making two trees of $files files ($bytes bytes each) and two of $large_files files of $large_size..."
truncate -s $(((bytes + large_files * large_bytes) * 21 / 10 + 512 * 1024 * 1024)) "$work/trees.img"
# Everything initialised now, so that no background work of ext4 reaches the
# device while it is measured.
mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 "$work/trees.img"
loop=$(losetup --find --show --direct-io=on "$work/trees.img")
mkdir "$mnt"
mount -o noatime "$loop" "$mnt"
"$tool" make "$mnt/small/a" "$files" "$bytes" 1
cp -a "$mnt/small/a" "$mnt/small/b"
"$tool" large "$mnt/large/a" "$large_files" "$((large_files * large_bytes))" 2
cp -a "$mnt/large/a" "$mnt/large/b"
sync

# Mounted afresh: nothing of the trees is cached, names, folders or bytes.
cold() {
  umount "$mnt"
  mount -o noatime "$loop" "$mnt"
}

# measure NAME PROGRAM...: one cold run; appends "seconds KiB status" to
# $work/NAME.
measure() {
  local name=$1
  shift
  cold
  local report
  report=$("$runner" 3 "$@" 3>&1 1>/dev/null 2>/dev/null)
  read -r nanoseconds kib status <<<"$report"
  echo "$(awk -v n="$nanoseconds" 'BEGIN { printf "%.3f", n / 1e9 }') $kib $status" >>"$work/$name"
}

median() { sort -n "$work/$1" | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
peak() { sort -n -k2 "$work/$1" | tail -n1 | awk '{ printf "%.1f", $2 / 1024 }'; }
statuses() { awk '{ print $3 }' "$work/$1" | sort -u | paste -sd, -; }

echo "Trees: $runs cold runs of each program, in turn..."
for _ in $(seq "$runs"); do
  measure small-floor "$tool" floor 8 "$mnt/small/a" "$mnt/small/b"
  measure small-cmp "$cmp" "$mnt/small/a" "$mnt/small/b"
  measure small-diff /usr/bin/diff -rq "$mnt/small/a" "$mnt/small/b"
  measure large-floor "$tool" pairs "$mnt/large/a" "$mnt/large/b"
  measure large-cmp "$cmp" "$mnt/large/a" "$mnt/large/b"
done

# The pages of the trees that a cold run of morvatix-cmp leaves in the cache.
cold
"$cmp" "$mnt/small/a" "$mnt/small/b" >/dev/null
pages=$("$tool" pages "$mnt/small/a" "$mnt/small/b")

# Ctrl-C two seconds into a cold run.
cold
"$cmp" "$mnt/small/a" "$mnt/small/b" >/dev/null 2>&1 &
pid=$!
sleep 2
interrupted=$(date +%s%N)
kill -INT "$pid"
interrupt_status=0
wait "$pid" || interrupt_status=$?
interrupt_ms=$((($(date +%s%N) - interrupted) / 1000000))

row() {
  local name=$1 label=$2 floor=$3
  local seconds
  seconds=$(median "$name")
  printf '%-36s %9s s %7s %8s MiB  status %s\n' "$label" "$seconds" \
    "$(awk -v s="$seconds" -v f="$(median "$floor")" 'BEGIN { printf "%.2fx", s / f }')" "$(peak "$name")" \
    "$(statuses "$name")"
}
goal() {
  if awk "BEGIN { exit !($2) }"; then echo "  met      $1"; else echo "  NOT met  $1"; fi
}

echo
echo "Two trees of $files files, $bytes bytes each, cold (median of $runs; ratio to the floor):"
row small-floor "floor: 8 threads, direct, no compare" small-floor
row small-cmp "morvatix-cmp" small-floor
row small-diff "diff -rq" small-floor
echo
echo "Two trees of $large_files files of $large_size, cold:"
row large-floor "floor: each pair at once, direct" large-floor
row large-cmp "morvatix-cmp" large-floor
echo
echo "Pages of the trees left in the cache by morvatix-cmp: $pages"
echo "Ctrl-C two seconds into a run: status $interrupt_status, ended after $interrupt_ms ms"
echo
echo "Goals:"
small_ratio=$(awk -v s="$(median small-cmp)" -v f="$(median small-floor)" 'BEGIN { print s / f }')
large_ratio=$(awk -v s="$(median large-cmp)" -v f="$(median large-floor)" 'BEGIN { print s / f }')
goal "small files: at most 1.25 x the floor ($small_ratio)" "$small_ratio <= 1.25"
goal "large files: at most 1.20 x the pairs' floor ($large_ratio)" "$large_ratio <= 1.20"
goal "peak memory under 64 MiB ($(peak small-cmp), $(peak large-cmp) MiB)" \
  "$(peak small-cmp) < 64 && $(peak large-cmp) < 64"
goal "no page of the trees left in the cache ($pages)" "$pages == 0"
goal "Ctrl-C: status 130 ($interrupt_status)" "$interrupt_status == 130"
