#!/bin/bash
# Runs a command inside an emulated x86_64 Debian 12 machine (QEMU, no KVM needed) whose
# kernel runs 32-bit programs, so that the i686 product and its tests run under 32-bit
# Wine on a host whose own kernel cannot run 32-bit code. The clone, the build folder and
# the dependency cache are shared at the same paths; the command's output is printed and
# its exit code returned.
#
#   scripts/i686-vm.sh image            makes the machine's disk once (about 10 minutes)
#   scripts/i686-vm.sh run DIR CMD...   runs CMD in DIR inside the machine
#
# Everything is emulated instruction by instruction: expect programs to run several
# times slower than on the host.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cache="${VELKARION_CACHE:-/var/cache/velkarion}"
build_root="${VELKARION_BUILD:-$here/build}"
vm="$cache/vm"
memory="${VELK_VM_MEMORY:-8G}"
cpus="${VELK_VM_CPUS:-$(nproc)}"

as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

guest_packages=(
  linux-image-amd64 kmod iproute2 procps python3 cmake ca-certificates
  xvfb xauth x11-apps imagemagick xdotool
)
# Installed after the i386 architecture is added; also what the tests call (the fixture
# packages are written by Info-ZIP and 7-Zip, the HTTPS server's certificates by openssl,
# the downloader goes through a real proxy, tinyproxy, and is raced against curl).
guest_later_packages=(wine wine32:i386 wine64 fonts-wine openssl zip unzip 7zip tinyproxy curl)

make_image() {
  local missing=()
  for p in qemu-system-x86 qemu-utils debootstrap e2fsprogs; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -ne 0 ]; then
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  local root="$vm/root"
  as_root mkdir -p "$vm"
  if [ ! -f "$root/.base-done" ]; then
    as_root rm -rf "$root"
    local list; list="$(IFS=,; echo "${guest_packages[*]}")"
    as_root debootstrap --variant=minbase --include="$list" bookworm "$root" http://deb.debian.org/debian
    as_root touch "$root/.base-done"
  fi
  local later="${guest_later_packages[*]}"
  if [ "$(cat "$root/.later-done" 2>/dev/null)" != "$later" ]; then
    as_root chroot "$root" dpkg --add-architecture i386
    as_root chroot "$root" apt-get update -qq
    as_root chroot "$root" env DEBIAN_FRONTEND=noninteractive \
      apt-get install -y -qq --no-install-recommends "${guest_later_packages[@]}"
    as_root chroot "$root" apt-get clean
    echo "$later" | as_root tee "$root/.later-done" >/dev/null
    as_root rm -f "$vm/disk.img"
  fi
  local init="$vm/velk-init.new"
  as_root tee "$init" >/dev/null <<'INIT'
#!/bin/sh
# PID 1 of the emulated machine: mounts the shared folders named on the kernel command
# line and hands over to the run's own start script, which is in one of them. What a run
# does is thus never baked into the disk.
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
# The initramfs has mounted /sys and /dev already.
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
modprobe 9pnet_virtio; modprobe 9p
for arg in $(cat /proc/cmdline); do
  case "$arg" in
    # The page cache (cache=loose) makes every read whole: without it a read returns at
    # most one 9p message, and Wine's loader took the rest of a large exe section as zeros.
    velk.share=*) mapping="${arg#velk.share=}"; tag="${mapping%%:*}"; dir="${mapping#*:}"
      mkdir -p "$dir"
      mount -t 9p -o trans=virtio,version=9p2000.L,msize=1048576,cache=loose "$tag" "$dir" ;;
    velk.job=*) job="${arg#velk.job=}" ;;
  esac
done
/bin/sh "$job/start.sh"
echo o > /proc/sysrq-trigger
sleep 60
INIT
  if ! cmp -s "$init" "$root/sbin/velk-init"; then
    as_root install -m 755 "$init" "$root/sbin/velk-init"
    as_root rm -f "$vm/disk.img"
  fi
  as_root rm -f "$init"
  [ -f "$vm/disk.img" ] && return 0
  # The disk is made from the folder; each run writes only to an overlay of its own.
  local size_mb; size_mb=$(( $(as_root du -sm "$root" | cut -f1) + 4096 ))
  as_root mkfs.ext4 -q -F -L velk-vm -d "$root" "$vm/disk.img.part" "${size_mb}M"
  as_root mv "$vm/disk.img.part" "$vm/disk.img"
}

run_in_vm() {  # dir, command...
  local dir="$1"; shift
  make_image
  local job; job="$(mktemp -d "$build_root/vm-job.XXXXXX")"
  {
    echo "cd '$dir' || exit 125"
    printf 'export VELKARION_CACHE=%q VELKARION_BUILD=%q\n' "$cache" "$build_root"
    printf '%q ' "$@"; echo
  } > "$job/command.sh"
  # A shared folder below /tmp (a clone made there) must stay visible: /tmp is then the
  # disk's own, which the run's overlay takes like every other write.
  local fresh_tmp="mount -t tmpfs tmpfs /tmp" dir_shared
  for dir_shared in "$here" "$build_root" "$cache"; do
    case "$dir_shared/" in /tmp/*) fresh_tmp="true" ;; esac
  done
  cat > "$job/start.sh" <<START
export HOME=/root USER=root
# Wine turns file names into the locale's charset: without UTF-8 it cannot make "é中".
export LANG=C.UTF-8
mkdir -p /dev/pts /dev/shm; mount -t devpts devpts /dev/pts; mount -t tmpfs tmpfs /dev/shm
$fresh_tmp; mount -t tmpfs tmpfs /run
ip link set lo up
# Through a pipe, not the console's terminal: no colour or cursor codes in the output.
{ bash "$job/command.sh" </dev/null 2>&1; echo \$? > "$job/rc"; } | cat >/dev/console
sync
START
  # Each run starts from the pristine disk: an overlay takes the machine's writes.
  qemu-img create -q -f qcow2 -F raw -b "$vm/disk.img" "$job/overlay.qcow2"
  local shares=() append="root=/dev/vda rw console=ttyS0 quiet loglevel=1 init=/sbin/velk-init velk.job=$job"
  local n=0 seen=" "
  for dir_shared in "$here" "$build_root" "$cache"; do
    case "$seen" in *" $dir_shared "*) continue ;; esac
    seen="$seen$dir_shared "
    shares+=(-virtfs "local,path=$dir_shared,mount_tag=s$n,security_model=none")
    append="$append velk.share=s$n:$dir_shared"
    n=$((n + 1))
  done
  local kernel initrd
  kernel="$(ls "$vm"/root/boot/vmlinuz-* | tail -1)"; initrd="$(ls "$vm"/root/boot/initrd.img-* | tail -1)"
  # The plain qemu64 processor model: with "max" the guest kernel faulted on 32-bit user code.
  qemu-system-x86_64 -machine q35 -cpu "${VELK_VM_CPU:-qemu64}" -accel tcg,thread=multi -smp "$cpus" -m "$memory" \
    -nographic -no-reboot -kernel "$kernel" -initrd "$initrd" -append "$append" \
    -drive "file=$job/overlay.qcow2,if=virtio,format=qcow2" "${shares[@]}" \
    -nic none -serial mon:stdio </dev/null \
    | sed -u 's/\r$//; s/\x1b\[[0-9;?]*[a-zA-Z]//g; s/\x1bc//g' || true
  local rc=1
  [ -f "$job/rc" ] && rc="$(cat "$job/rc")"
  rm -rf "$job"
  return "$rc"
}

case "${1:-}" in
  image) make_image ;;
  run) shift; run_in_vm "$@" ;;
  *) echo "usage: $0 image | run DIR COMMAND..." >&2; exit 2 ;;
esac
