#!/usr/bin/env bash
# Builds the Windows release package and checks it as a user receives it:
#
#   scripts/check-package.sh
#
# - the archive holds exactly the expected files, SHA256SUMS matches them, and the example scenes
#   are the repository's;
# - README.txt and LICENSE.txt are in the form Notepad reads (CRLF, exactly one byte order mark),
#   README.txt names every option palisor-cli --help lists, and LICENSE.txt has the notice of
#   every library inside the binaries;
# - each binary is of its architecture, needs only Windows' own DLLs, and carries the project's
#   version in its version resource, read back through Windows' version API under Wine;
# - each plug-in from the archive, loaded by a host program through its exports under Wine,
#   carries morphs over with the native build's bits;
# - the palisor-cli commands README.txt gives, typed as written in a command prompt (Wine's
#   cmd.exe) in the unpacked folder, succeed and write what the native palisor-cli writes for the
#   same commands;
# - palisor-cli.exe from the archive, under Wine beside the archive's palisor.dll, writes byte for
#   byte what the native palisor-cli writes for the bundled OBJ and glTF examples, previews
#   included;
# - the Blender add-on's zip holds the add-on with the transfer library for Linux x86-64 (needing
#   only the C library) and Windows x64 (needing only Windows' own DLLs), and Blender installs it
#   from the zip and passes the add-on's tests with it;
# - a second build of the package, in other build folders, gives the same archives.
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
wine32() { sh "$root/cmake/wine-run.sh" win32 "$root/$win32/wineprefix" "$@"; }
wine64() { sh "$root/cmake/wine-run.sh" win64 "$root/$win64/wineprefix" "$@"; }

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
examples=(examples/face_to_head.obj examples/head_brows_beard.gltf)
expected=$'LICENSE.txt\nREADME.txt\nSHA256SUMS\nexamples/face_to_head.obj\nexamples/head_brows_beard.gltf'
expected+=$'\npalisor-cli.exe\npalisor.dll\nx64/palisor.dll'
actual=$(unzip -Z1 "$zip")
if [ "$actual" = "$expected" ]; then pass "the archive holds $(echo $actual)"; else
  fail "the archive holds:"$'\n'"$actual"$'\n'"expected:"$'\n'"$expected"
fi
(cd "$unpacked" && sha256sum --quiet -c SHA256SUMS) && pass "SHA256SUMS matches" ||
  fail "SHA256SUMS does not match the files"
for scene in "${examples[@]}"; do
  cmp -s "$scene" "$unpacked/$scene" && pass "$scene is the repository's" ||
    fail "$scene in the archive differs from the repository's"
done

# The texts: UTF-8 with exactly one byte order mark, at the start, CRLF throughout; the README
# with every option, the licence with every library's notice.
bom=$'\xEF\xBB\xBF'
for text in README.txt LICENSE.txt; do
  if grep -q $'[^\r]$' "$unpacked/$text" || grep -q '^$' "$unpacked/$text"; then
    fail "$text has lines that do not end in CRLF"
  fi
  marks=$(LC_ALL=C grep -aoF "$bom" "$unpacked/$text" | wc -l)
  if [ "$(head -c 3 "$unpacked/$text")" != "$bom" ]; then
    fail "$text does not start with a UTF-8 byte order mark"
  elif [ "$marks" -ne 1 ]; then
    fail "$text holds $marks UTF-8 byte order marks, not one"
  else
    pass "$text: CRLF, one byte order mark, at the start"
  fi
  iconv -f UTF-8 -t UTF-16 "$unpacked/$text" > /dev/null || fail "$text is not UTF-8"
done
# palisor-cli.exe holds TinyGLTF, JSON for Modern C++, stb_truetype and stb_image_write; every
# binary the MinGW-w64 runtime.
for library in MinGW-w64 winpthreads TinyGLTF "JSON for Modern C++" stb_truetype stb_image_write; do
  grep -qF "$library" "$unpacked/LICENSE.txt" || fail "LICENSE.txt has no notice of $library"
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

# The palisor-cli commands of README.txt (the lines that begin with them), typed as written into a
# command prompt in a copy of the unpacked folder, run and write what the native palisor-cli
# writes for the same command in a folder holding the same examples.
commands=$(tr -d '\r' < "$unpacked/README.txt" | sed -n 's/^    \(palisor-cli .*\)$/\1/p' |
  LC_ALL=C sort -u)
[ -n "$commands" ] || fail "README.txt gives no palisor-cli command to try"
number=0
while IFS= read -r command; do
  [ -n "$command" ] || continue
  number=$((number + 1))
  place=$root/$work/readme-command-$number
  read -r -a words <<< "$command"
  output=
  for ((i = 1; i + 1 < ${#words[@]}; ++i)); do
    [ "${words[i]}" = -o ] && output=${words[i + 1]}
  done
  mkdir -p "$place/windows" "$place/native"
  cp -R "$unpacked/." "$place/windows/"
  cp -R "$unpacked/examples" "$place/native/"
  native_words=("${words[@]:1}")
  native_words=("${native_words[@]//\\//}")
  if [ -z "$output" ]; then
    fail "README.txt's command names no output: $command"
  elif ! (cd "$place/windows" && wine32 cmd /c "${words[@]}") > "$place/windows.log" 2>&1; then
    cat "$place/windows.log"
    fail "README.txt's command fails as written: $command"
  elif ! (cd "$place/native" && "$root/$native/palisor-cli" "${native_words[@]}") \
    > "$place/native.log" 2>&1; then
    cat "$place/native.log"
    fail "the native palisor-cli fails on README.txt's command: $command"
  elif ! cmp "$place/native/${output//\\//}" "$place/windows/${output//\\//}"; then
    fail "README.txt's command does not write the native build's bytes: $command"
  else
    pass "README.txt's command runs as written: $command"
  fi
done <<< "$commands"

# The Blender add-on.
blenderZip=dist/palisor-blender-$version.zip
expected=$'palisor/__init__.py\npalisor/addon.py\npalisor/blender_manifest.toml\npalisor/drivers.py'
expected+=$'\npalisor/lib/libpalisor_transfer.so\npalisor/lib/palisor_transfer.dll\npalisor/meshes.py'
expected+=$'\npalisor/run.py\npalisor/skin.py\npalisor/skin_operator.py\npalisor/source.py\npalisor/transfer.py\npalisor/weights.py'
if [ "$(unzip -Z1 "$blenderZip")" = "$expected" ]; then
  pass "the Blender add-on holds $(echo $expected)"
else
  fail "the Blender add-on holds $(unzip -Z1 "$blenderZip" | tr '\n' ' ')"
fi
unzip -q "$blenderZip" -d "$work/blender" || fail "$blenderZip does not unpack"
needed=$(objdump -p "$work/blender/palisor/lib/libpalisor_transfer.so" | awk '/NEEDED/ {print $2}' |
  grep -vxE 'libc\.so\.6|libm\.so\.6|ld-linux-x86-64\.so\.2' | tr '\n' ' ')
if [ -z "$needed" ]; then
  pass "the add-on's Linux library needs only the C library"
else
  fail "the add-on's Linux library needs $needed besides the C library"
fi
if cmake -DOBJDUMP=x86_64-w64-mingw32-objdump \
  -DBINARY="$work/blender/palisor/lib/palisor_transfer.dll" -DCHECK=system-imports \
  -P cmake/check-pe-binary.cmake > "$work/blender-dll.log" 2>&1; then
  pass "the add-on's Windows library needs only Windows' own DLLs"
else
  cat "$work/blender-dll.log"
  fail "the add-on's Windows library needs more than Windows' own DLLs"
fi
if command -v blender > /dev/null; then
  if BLENDER_USER_SCRIPTS=$root/$work/blender-home/scripts \
    BLENDER_USER_CONFIG=$root/$work/blender-home/config blender -b --factory-startup \
    --python tests/blender/addon_test.py -- "$root/$blenderZip" "$root/$native/palisor-cli" \
    "$root/$work" > "$work/blender.log" 2>&1; then
    pass "Blender installs the add-on from its zip and passes its tests"
  else
    tail -30 "$work/blender.log"
    fail "the add-on from the package fails its tests in Blender"
  fi
else
  fail "no blender to test the add-on with (scripts/test-all.sh installs it)"
fi

# The same sources make the same archives, also in other build folders.
if PALISOR_PACKAGE_BUILD_DIR=build/package-again scripts/package.sh "$work/again" \
  > "$work/again.log" 2>&1 && cmp "$zip" "$work/again/$(basename "$zip")" &&
  cmp "$blenderZip" "$work/again/$(basename "$blenderZip")"; then
  pass "a second build gives the same archives"
else
  tail -20 "$work/again.log"
  fail "a second build of the package differs from the first"
fi

if [ "$failures" -gt 0 ]; then
  echo "check-package: $failures checks failed" >&2
  exit 1
fi
echo "check-package: every check passed"
