#!/usr/bin/env bash
# Builds the release a Windows user downloads:
#   dist/Ocellus-<version>-win32.zip   Ocellus.exe (32-bit), README.txt, LICENSE
#   dist/Ocellus-<version>-win64.zip   the same with the 64-bit program (not with --win32-only)
#   dist/SHA256SUMS                    the zips' SHA-256, in sha256sum's format
# Run from a clean clone on Debian 12; it installs what it lacks first (scripts/install-deps.sh).
# The version is the one in CMakeLists.txt's project(); the programs come from the "release" and
# "release-x86_64" presets, each built in a freshly emptied folder (build/release, build/release-x86_64).
#
# Reproducible: two runs from clean checkouts of the same commit, in any folders, give byte-identical
# programs and zips. How:
#  - Programs: the release presets set OCELLUS_REPRODUCIBLE (CMakeLists.txt), which
#      * maps the source and build folders to "./" and "./build/" (-ffile-prefix-map), so __FILE__
#        (src/mylib/ustandardizefonts.cpp uses it) and any other recorded path name no checkout folder;
#      * links with -Wl,--no-insert-timestamp: the PE header's time stamp is 0, not the link time;
#      * strips the program (-s); Release builds carry no debug information to begin with.
#    windres writes 0 into the resource directory's time stamp by itself, and the resource script uses
#    no date. The release tier of scripts/test.sh checks both time stamps and the absence of paths.
#  - SOURCE_DATE_EPOCH is the commit's time (from git; a fixed date outside a git checkout; a value
#    already in the environment wins). GCC takes __DATE__/__TIME__ from it (the sources use neither
#    today), and it is every file's date in the zips.
#  - Zips are written by Debian's python3 (/usr/bin/python3 and its zlib) with zipfile: a fixed entry
#    order, every entry dated SOURCE_DATE_EPOCH (as UTC), mode 0644 made by "Unix", deflate at level 9,
#    no extra fields, no comment. README.txt and LICENSE get Windows line ends (CRLF) whatever the
#    checkout has.
#  - The fixed toolchain of Debian 12 (mingw-w64 GCC 12, binutils 2.40, python's zlib); LC_ALL=C,
#    TZ=UTC and umask 022 for the build. Another compiler release gives another, equally reproducible,
#    program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

archs=(win32 win64)
case "${1:-}" in
  "") ;;
  --win32-only) archs=(win32) ;;
  *) echo "usage: scripts/release.sh [--win32-only]" >&2; exit 2 ;;
esac

bash scripts/install-deps.sh

start=$(date +%s)
export LC_ALL=C TZ=UTC
umask 022
version=$(sed -n 's/^project(Ocellus VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "release.sh: no version in CMakeLists.txt's project()" >&2; exit 1; }
if [ -e .git ] && [ -n "$(git status --porcelain --untracked-files=normal)" ]; then
  echo "release.sh: warning: the working tree has uncommitted changes; this release is not of a commit" >&2
fi
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  if [ -e .git ]; then
    SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  else
    SOURCE_DATE_EPOCH=1767225600  # 2026-01-01 00:00:00 UTC
  fi
fi
export SOURCE_DATE_EPOCH

dist="$root/dist"
mkdir -p "$dist"
rm -f "$dist/SHA256SUMS" "$dist/Ocellus-$version-win32.zip" "$dist/Ocellus-$version-win64.zip"

zips=()
for arch in "${archs[@]}"; do
  case $arch in
    win32) preset=release ;;
    win64) preset=release-x86_64 ;;
  esac
  build="$root/build/$preset"
  rm -rf "$build"
  echo "== $arch: building (preset $preset)"
  cmake --preset "$preset" >/dev/null
  cmake --build "$build" -j "$(nproc)" --target Ocellus >/dev/null
  zip="Ocellus-$version-$arch.zip"
  /usr/bin/python3 - "$dist/$zip" "$SOURCE_DATE_EPOCH" "$version" \
    "Ocellus.exe=$build/bin/Ocellus.exe" "README.txt=$root/res/README.txt" "LICENSE=$root/LICENSE" <<'PY'
import sys, time, zipfile
out, epoch, version, *entries = sys.argv[1:]
# Zip dates run from 1980; they are local times with no zone, so the UTC time is written.
when = time.gmtime(max(int(epoch), 315532800))[:6]
with zipfile.ZipFile(out + ".part", "w") as z:
    for entry in entries:
        name, path = entry.split("=", 1)
        with open(path, "rb") as f:
            data = f.read()
        if name != "Ocellus.exe":
            text = data.replace(b"\r\n", b"\n").replace(b"@VERSION@", version.encode())
            data = text.replace(b"\n", b"\r\n")
        info = zipfile.ZipInfo(name, date_time=when)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.create_system = 3               # Unix, so that the mode below is what unzip applies
        info.external_attr = 0o100644 << 16  # a regular file, rw-r--r--
        z.writestr(info, data, compresslevel=9)
PY
  mv "$dist/$zip.part" "$dist/$zip"
  zips+=("$zip")
done

(cd "$dist" && sha256sum -- "${zips[@]}" >SHA256SUMS)
echo "== release $version (SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH, $(($(date +%s) - start)) s)"
for zip in "${zips[@]}"; do
  echo "$dist/$zip  $(stat -c %s "$dist/$zip") bytes"
done
sed 's/^/sha256 /' "$dist/SHA256SUMS"
