#!/usr/bin/env bash
# Builds the Windows release package and checks it as a user receives it:
#
#   scripts/check-package.sh
#
# - the archive holds exactly the expected files, and SHA256SUMS matches them;
# - README.txt and LICENSE.txt are in the form Notepad reads, and README.txt names every option
#   palisor-cli --help lists;
# - each binary is of its architecture, needs only Windows' own DLLs, and carries the project's
#   version in its version resource, read back through Windows' version API under Wine;
# - each plug-in from the archive, loaded by a host program through its exports under Wine,
#   carries morphs over with the native build's bits;
# - palisor-cli.exe from the archive, under Wine beside the archive's palisor.dll, writes byte for
#   byte what the native palisor-cli writes for the bundled OBJ and glTF examples, previews
#   included;
# - a second build of the package, in other build folders, gives the same archive.
#
# It uses the test command's builds: build/native, build/win32 and build/win64.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

native=build/native
win32=build/win32
win64=build/win64
work=build/package-check
version=$(sed -n 's/^project(Palisor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
zip=dist/palisor-$version-windows.zip
failures=0

fail() {
  echo "check-package: FAILED: $*" >&2
  failures=$((failures + 1))
}
pass() { echo "check-package: ok: $*"; }
wine32() { sh cmake/wine-run.sh win32 "$root/$win32/wineprefix" "$@"; }
wine64() { sh cmake/wine-run.sh win64 "$root/$win64/wineprefix" "$@"; }

for program in "$native/palisor-cli" "$native/tests/reproducibility/scene_bits" \
  "$win32/bin/version_resource.exe" "$win32/bin/scene_bits.exe" "$win64/bin/scene_bits.exe"; do
  [ -e "$program" ] || { echo "check-package: $program is missing: build it first" >&2; exit 1; }
done

scripts/package.sh dist || { echo "check-package: the package could not be built" >&2; exit 1; }
rm -rf "$work"
mkdir -p "$work"
unpacked=$root/$work/unpacked
unzip -q "$zip" -d "$unpacked" || fail "$zip does not unpack"

# What the archive holds.
expected=$'LICENSE.txt\nREADME.txt\nSHA256SUMS\npalisor-cli.exe\npalisor.dll\nx64/palisor.dll'
actual=$(unzip -Z1 "$zip")
if [ "$actual" = "$expected" ]; then pass "the archive holds $(echo $actual)"; else
  fail "the archive holds:"$'\n'"$actual"$'\n'"expected:"$'\n'"$expected"
fi
(cd "$unpacked" && sha256sum --quiet -c SHA256SUMS) && pass "SHA256SUMS matches" ||
  fail "SHA256SUMS does not match the files"

# The texts: UTF-8 with a byte order mark, CRLF throughout; the README with every option.
for text in README.txt LICENSE.txt; do
  if grep -q $'[^\r]$' "$unpacked/$text" || grep -q '^$' "$unpacked/$text"; then
    fail "$text has lines that do not end in CRLF"
  fi
  [ "$(head -c 3 "$unpacked/$text" | od -An -tx1 | tr -d ' ')" = efbbbf ] ||
    fail "$text does not start with a UTF-8 byte order mark"
  iconv -f UTF-8 -t UTF-16 "$unpacked/$text" > /dev/null || fail "$text is not UTF-8"
done
grep -q "Palisor $version" "$unpacked/README.txt" || fail "README.txt does not name version $version"
missing=()
for option in $("$native/palisor-cli" --help | sed -n 's/^ \{2,6\}\(-[a-z], \)\?\(--\?[a-z-]*\).*/\2/p'); do
  grep -qE -- "(^|[^a-z-])$option([^a-z-]|\$)" "$unpacked/README.txt" || missing+=("$option")
done
if [ ${#missing[@]} -eq 0 ]; then pass "README.txt describes every option of --help"; else
  fail "packaging/README.txt does not describe ${missing[*]} (in Japanese and in English)"
fi

# Architectures, imports, exports and version resources.
check_binary() {
  local file=$1 format=$2 objdump=$3
  "$objdump" -f "$unpacked/$file" | grep -q "file format $format" || fail "$file is not $format"
  cmake -DOBJDUMP="$objdump" -DBINARY="$unpacked/$file" -DCHECK=system-imports \
    -P cmake/check-pe-binary.cmake > /dev/null || fail "$file needs DLLs that are not Windows' own"
  if [ "${file##*.}" = dll ]; then
    cmake -DOBJDUMP="$objdump" -DBINARY="$unpacked/$file" -DCHECK=exactly-exports \
      -DNAMES=host/plugin_exports.map -P cmake/check-pe-binary.cmake > /dev/null ||
      fail "$file does not export exactly the plug-in's entry points"
  fi
  if wine32 "$win32/bin/version_resource.exe" "Z:$unpacked/$file" "$version" > "$work/version.txt"; then
    pass "$file: $format, Windows' own DLLs only, version resource $version"
  else
    cat "$work/version.txt"
    fail "$file does not carry version $version"
  fi
}
check_binary palisor.dll pei-i386 i686-w64-mingw32-objdump
check_binary x64/palisor.dll pei-x86-64 x86_64-w64-mingw32-objdump
check_binary palisor-cli.exe pei-i386 i686-w64-mingw32-objdump

# The plug-ins loaded by a host program through their exports carry morphs over with the native
# build's bits.
"$native/tests/reproducibility/scene_bits" "$work/scene_bits.native.txt" ||
  fail "the native scene program failed"
for plugin in palisor.dll x64/palisor.dll; do
  if [ "$plugin" = palisor.dll ]; then run=wine32 build=$win32; else run=wine64 build=$win64; fi
  output=$work/scene_bits.${plugin//\//-}.txt
  if $run "$build/bin/scene_bits.exe" "Z:$root/$output" "Z:$unpacked/$plugin" &&
    cmp -s "$output" "$work/scene_bits.native.txt"; then
    pass "$plugin loads in a host program and gives the native build's bits"
  else
    fail "$plugin from the archive does not give the native build's bits"
  fi
done

# palisor-cli.exe beside the archive's palisor.dll writes what the native build writes, and draws
# the same preview once the font the native build draws with (Debian's fonts-noto-cjk) is
# installed in Windows' fonts folder, as a user installs a font.
font=/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc
cp "$font" "$win32/wineprefix/drive_c/windows/Fonts/" || fail "$font cannot be installed under Wine"
run_example() {
  local name=$1 scene=$2 suffix=$3
  shift 3
  "$native/palisor-cli" "$scene" -o "$work/$name.native$suffix" \
    --preview "$work/$name.native.png" "$@" > /dev/null ||
    { fail "the native palisor-cli failed on $scene"; return; }
  if wine32 "$unpacked/palisor-cli.exe" "Z:$root/$scene" -o "Z:$root/$work/$name.windows$suffix" \
    --preview "Z:$root/$work/$name.windows.png" "$@" > "$work/$name.windows.log" &&
    cmp "$work/$name.native$suffix" "$work/$name.windows$suffix" &&
    cmp "$work/$name.native.png" "$work/$name.windows.png"; then
    pass "palisor-cli.exe writes the native build's bytes and preview for $scene"
  else
    cat "$work/$name.windows.log"
    fail "palisor-cli.exe does not write the native build's bytes and preview for $scene"
  fi
}
run_example face_to_head examples/face_to_head.obj .obj --select face --select head
run_example head_brows_beard examples/head_brows_beard.gltf .glb \
  --select head --select brows --select beard

# The same sources make the same archive, also in other build folders.
if PALISOR_PACKAGE_BUILD_DIR=build/package-again scripts/package.sh "$work/again" \
  > "$work/again.log" 2>&1 && cmp "$zip" "$work/again/$(basename "$zip")"; then
  pass "a second build gives the same archive"
else
  tail -20 "$work/again.log"
  fail "a second build of the package differs from the first"
fi

if [ "$failures" -gt 0 ]; then
  echo "check-package: $failures checks failed" >&2
  exit 1
fi
echo "check-package: every check passed"
