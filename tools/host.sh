# shellcheck shell=bash
# Sourced by tools/kitbag (bash, safe under set -eu): can this machine run
# 32-bit programs, and if not, can it be taught to?
#
# Wine's 32-bit half (every program of the 32-bit build, and the 32-bit side
# of a 64-bit prefix) needs the kernel to run 32-bit x86 programs. Some
# kernels have that switched off ("Exec format error"). There the kernel can
# still hand such programs to qemu-user's i386 emulator through binfmt_misc;
# Wine then runs unchanged, only slower.
#
#   kb_host_i386 [required]   0 when 32-bit programs run (natively, or after
#                             setting up the emulator); otherwise says what
#                             is missing and returns 1. "required" makes that
#                             an error, else a note.

kb_binfmt=/proc/sys/fs/binfmt_misc
kb_binfmt_entry=kitbag-i386

# A complete 32-bit program that only exits with status 42: the smallest
# thing that tells whether the kernel (or a handler) runs 32-bit code. Built
# here byte by byte, so no 32-bit toolchain or library is needed to ask.
kb_run_i386_probe() {
  local probe status=0
  probe=$(mktemp) || return 1
  printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$probe"
  chmod +x "$probe"
  "$probe" 2>/dev/null || status=$?
  rm -f "$probe"
  [[ $status -eq 42 ]]
}

kb_as_root() {
  if [[ $(id -u) -eq 0 ]]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    return 1
  fi
}

# qemu-user 8 or newer: the 7.2 of Debian 12 cannot start 32-bit Wine (its
# mmap does not honour fixed, non-replacing mappings), bookworm-backports has
# a newer one.
kb_qemu_usable() {
  local version
  version=$(qemu-i386 --version 2>/dev/null | sed -n '1s/^qemu-i386 version \([0-9]*\).*/\1/p')
  [[ -n $version && $version -ge 8 ]]
}

kb_install_qemu() {
  kb_qemu_usable && return 0
  local codename="" suite=()
  codename=$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME-}")
  export DEBIAN_FRONTEND=noninteractive
  if [[ $codename == bookworm ]]; then
    suite=(-t bookworm-backports)
    if ! apt-cache policy 2>/dev/null | grep -q 'bookworm-backports'; then
      printf '%s\n' 'Types: deb' 'URIs: http://deb.debian.org/debian' \
        'Suites: bookworm-backports' 'Components: main' \
        'Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg' |
        kb_as_root tee /etc/apt/sources.list.d/kitbag-backports.sources >/dev/null || return 1
    fi
  fi
  kb_as_root apt-get update -qq >/dev/null || return 1
  kb_as_root apt-get install -y -qq --no-install-recommends "${suite[@]}" qemu-user \
    </dev/null >/dev/null || return 1
  kb_qemu_usable
}

# The i386 ELF handler: executables and shared objects of machine 3, 32-bit,
# little-endian. "F" opens the emulator now, so programs started inside other
# mount namespaces or by Wine's own children find it too.
kb_register_i386() {
  local entry=$kb_binfmt/$kb_binfmt_entry qemu
  qemu=$(command -v qemu-i386) || return 1
  if [[ -e $entry ]]; then
    grep -qx "interpreter $qemu" "$entry" && { echo 1 | kb_as_root tee "$entry" >/dev/null; return; }
    echo -1 | kb_as_root tee "$entry" >/dev/null || return 1
  fi
  printf '%s' ":$kb_binfmt_entry:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$qemu:F" |
    kb_as_root tee "$kb_binfmt/register" >/dev/null
}

kb_host_i386() {
  local required=${1-} missing=
  kb_run_i386_probe && return 0
  if ! grep -qw binfmt_misc /proc/filesystems 2>/dev/null; then
    missing="the kernel's binfmt_misc support"
  elif ! mountpoint -q "$kb_binfmt" &&
       ! kb_as_root mount -t binfmt_misc binfmt_misc "$kb_binfmt" 2>/dev/null; then
    missing="permission to mount binfmt_misc on $kb_binfmt (root or sudo)"
  elif ! kb_install_qemu; then
    missing="qemu-user 8 or newer (Debian 12: apt-get install -t bookworm-backports qemu-user)"
  elif ! kb_register_i386 2>/dev/null; then
    missing="permission to register a binfmt_misc handler (root or sudo)"
  elif ! kb_run_i386_probe; then
    missing="a working i386 handler in binfmt_misc (qemu-i386 did not run the probe)"
  fi
  if [[ -z $missing ]]; then
    echo "kitbag: this kernel runs no 32-bit programs; they now run under qemu-user (binfmt_misc handler $kb_binfmt_entry), 32-bit tests run several times slower" >&2
    return 0
  fi
  if [[ $required == required ]]; then
    echo "kitbag: this kernel runs no 32-bit programs, and they cannot be emulated here: missing $missing." >&2
    echo "kitbag: the 64-bit build alone needs none of it: tools/kitbag test --arch=x86_64" >&2
  else
    echo "kitbag: this kernel runs no 32-bit programs (missing for emulation: $missing); the 64-bit prefix gets no 32-bit half" >&2
  fi
  return 1
}

# " [emulated]" for a 32-bit build that runs through the emulator's handler,
# whose figures tell little of real machines; nothing otherwise.
kb_emulation_mark() {
  [[ $(basename "$1") == i686* ]] && grep -qsx enabled "$kb_binfmt/$kb_binfmt_entry" &&
    echo " [emulated]"
  return 0
}
