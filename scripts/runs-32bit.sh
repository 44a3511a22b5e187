#!/usr/bin/env bash
# Does this kernel run 32-bit x86 programs? Some virtual machines run 64-bit user code only (execve of
# a 32-bit program fails with ENOEXEC), whatever packages are installed, so the only sure test is to
# run one: a 96-byte static ELF for i386 that does nothing but exit(42).
#   . scripts/runs-32bit.sh; runs_32bit_code && ...     or     bash scripts/runs-32bit.sh
# OCELLUS_PROBE32 names another program to run instead (the install script's tests use it).

write_probe32() {  # file
  # ELF header, one PT_LOAD program header, then: mov eax,1; mov ebx,42; int 0x80.
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'`
        `'\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00'`
        `'\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'`
        `'\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'`
        `'\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80' >"$1" && chmod +x "$1"
}

runs_32bit_code() {
  if [ -n "${OCELLUS_PROBE32:-}" ]; then
    "$OCELLUS_PROBE32" >/dev/null 2>&1
    [ $? -eq 42 ]
    return
  fi
  local dir rc
  dir=$(mktemp -d) || return 1
  write_probe32 "$dir/probe32" && "$dir/probe32" >/dev/null 2>&1
  rc=$?
  rm -rf "$dir"
  [ "$rc" -eq 42 ]
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  runs_32bit_code
fi
