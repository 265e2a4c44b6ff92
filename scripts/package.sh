#!/usr/bin/env bash
# Builds the Windows release package from the sources, in build folders of its own made afresh:
#
#   scripts/package.sh [OUTPUT-FOLDER]      # default dist/
#
# makes OUTPUT-FOLDER/palisor-VERSION-windows.zip holding the 32-bit palisor.dll, x64/palisor.dll,
# palisor-cli.exe, the two example scenes its README's commands use (examples/), README.txt,
# LICENSE.txt and SHA256SUMS, and OUTPUT-FOLDER/palisor-blender-VERSION.zip, the Blender add-on
# with the transfer library for Linux x86-64 and Windows x64. The same commit gives the same bytes:
# the binaries carry no time or build path, and every file of the archive has the time of the
# commit, fixed permissions and a fixed place in the archive. PALISOR_PACKAGE_BUILD_DIR names the
# build folder (default build/package).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-dependencies.sh zip libstb-dev
scripts/install-windows-toolchain.sh

output=$(mkdir -p "${1:-dist}" && cd "${1:-dist}" && pwd)
work=${PALISOR_PACKAGE_BUILD_DIR:-build/package}
version=$(sed -n 's/^project(Palisor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package.sh: no version in CMakeLists.txt's project()" >&2; exit 1; }
zipName=palisor-$version-windows.zip

# Every file of the archive gets the time of the commit (the 1980 start of zip's clock outside a
# repository).
export TZ=UTC
epoch=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "package.sh: warning: the working tree has uncommitted changes, which the package holds" >&2
fi

rm -rf "$work"
mkdir -p "$work"
# The configurations are the presets package-win32 and package-win64 (CMakePresets.json).
build() {
  local name=$1
  shift
  echo "== package: $name"
  cmake --preset "package-$name" -B "$work/$name" > "$work/$name.configure.log"
  cmake --build "$work/$name" -j "$(nproc)" --target "$@"
}
build win32 palisor palisor-cli
build win64 palisor palisor_transfer
build linux palisor_transfer

stage=$work/stage
mkdir -p "$stage/x64" "$stage/examples"
cp "$work/win32/bin/palisor.dll" "$work/win32/bin/palisor-cli.exe" "$stage/"
cp "$work/win64/bin/palisor.dll" "$stage/x64/"
# The scenes that README.txt's first commands carry over, as they are in the repository.
examples=(examples/face_to_head.obj examples/head_brows_beard.gltf)
cp "${examples[@]}" "$stage/examples/"

# The texts in the form Windows' Notepad reads as intended whatever its age and the user's code
# page: UTF-8 with one byte order mark, CRLF line ends. The sources are plain UTF-8; a byte order
# mark an editor put in front of one is dropped, not doubled.
notepad_text() {
  printf '\357\273\277'
  sed '1s/^\xEF\xBB\xBF//; s/\r$//; s/$/\r/'
}
sed "s/@VERSION@/$version/g" packaging/README.txt | notepad_text > "$stage/README.txt"
{
  cat LICENSE
  echo
  echo
  cat packaging/THIRD-PARTY-NOTICES.txt
} | notepad_text > "$stage/LICENSE.txt"

files=(LICENSE.txt README.txt "${examples[@]}" palisor-cli.exe palisor.dll x64/palisor.dll)
(cd "$stage" && sha256sum "${files[@]}") > "$stage/SHA256SUMS"
files+=(SHA256SUMS)

chmod 755 "$stage/x64" "$stage/examples"
(cd "$stage" && chmod 644 "${files[@]}" && touch -h -d "@$epoch" "${files[@]}" x64 examples)
rm -f "$output/$zipName"
# -X: no owner or extra time fields; -D: no folder entries; the names in a fixed order.
(cd "$stage" && printf '%s\n' "${files[@]}" | LC_ALL=C sort | zip -q -X -D -9 "$output/$zipName" -@)
echo "package: $output/$zipName"

# The Blender add-on, installable through Blender's Preferences > Add-ons > Install.
blenderZip=$output/palisor-blender-$version.zip
python3 scripts/make-blender-addon.py "$blenderZip" "$work/linux/transfer_c/libpalisor_transfer.so" \
  "$work/win64/bin/palisor_transfer.dll"
echo "package: $blenderZip"
