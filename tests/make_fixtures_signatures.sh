#!/usr/bin/env bash
# Regenerates the file type fixtures under tests/data/files/ (the labelled samples of the shared corpus
# cover the rest). Each file is made by a real Debian tool where one exists; where no tool writes a
# structure (a run-after-extract attribute, a top-down bitmap, a lying size) a tool-made file is patched,
# and the patch is written down here. MANIFEST.tsv beside the files says what each one is.
#
# Usage: tests/make_fixtures_signatures.sh [OUTDIR]     (default: tests/data/files)
# The makers are installed here, not by tools/install-deps.sh: the tests only read the committed files.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
OUT=${1:-$HERE/data/files}
PY=/usr/bin/python3
IM=/usr/bin/convert-im6.q16   # the real ImageMagick; PATH may hold a stand-in named convert

need=(gcc-mingw-w64-x86-64-win32 gcc-mingw-w64-i686-win32 imagemagick fonts-wine zip gcab lame python3)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

W=$(mktemp -d)
trap 'rm -rf "$W"' EXIT
rm -rf "$OUT"
mkdir -p "$OUT"/{exe,image,audio,doc,text,office,archive,hostile}
cd "$OUT"
MAN=MANIFEST.tsv
printf 'file\tkind\thow_made\n' > $MAN
add() { [ -s "$1" ] || { echo "missing $1" >&2; exit 1; }; printf '%s\t%s\t%s\n' "$1" "$2" "$3" >> $MAN; }
# patch FILE OFFSET HEXBYTES: overwrite bytes in place.
patch() { $PY -c 'import sys
p, o, h = sys.argv[1], int(sys.argv[2], 0), bytes.fromhex(sys.argv[3])
b = bytearray(open(p, "rb").read()); b[o:o + len(h)] = h; open(p, "wb").write(b)' "$@"; }
# le32 FILE OFFSET: the little-endian 32-bit value there.
le32() { $PY -c 'import sys,struct; b=open(sys.argv[1],"rb").read(); print(struct.unpack_from("<I", b, int(sys.argv[2],0))[0])' "$@"; }

# ---------- programs (mingw-w64, fonts-wine) ----------
printf '#include <stdio.h>\nint main(void) { puts("hello"); return 0; }\n' > "$W/hello.c"
printf '__declspec(dllexport) int add(int a, int b) { return a + b; }\n' > "$W/lib.c"
x86_64-w64-mingw32-gcc -Os -s -o exe/hello-x86_64.exe "$W/hello.c"
add exe/hello-x86_64.exe EXE64 "x86_64-w64-mingw32-gcc -Os -s hello.c"
i686-w64-mingw32-gcc -Os -s -o exe/hello-i686.exe "$W/hello.c"
add exe/hello-i686.exe EXE32 "i686-w64-mingw32-gcc -Os -s hello.c"
x86_64-w64-mingw32-gcc -Os -s -shared -o exe/lib-x86_64.dll "$W/lib.c"
add exe/lib-x86_64.dll DLL64 "x86_64-w64-mingw32-gcc -Os -s -shared lib.c"
i686-w64-mingw32-gcc -Os -s -shared -o exe/lib-i686.dll "$W/lib.c"
add exe/lib-i686.dll DLL32 "i686-w64-mingw32-gcc -Os -s -shared lib.c"
cp /usr/share/wine/fonts/smalle.fon exe/font-ne.fon
add exe/font-ne.fon DLL16 "cp /usr/share/wine/fonts/smalle.fon (fonts-wine: a 16-bit NE font library)"
NE=$(le32 exe/font-ne.fon 60)
cp exe/font-ne.fon exe/ne-program.exe; patch exe/ne-program.exe $((NE + 13)) 03
add exe/ne-program.exe EXE16 "font-ne.fon with the library bit (0x80) of the NE flags' high byte cleared"
cp exe/font-ne.fon exe/ne-linkerrors.exe; patch exe/ne-linkerrors.exe $((NE + 13)) 23
add exe/ne-linkerrors.exe "unknown (rejected)" "font-ne.fon with the link-error bit (0x20) set and the library bit cleared"
head -c 64 exe/hello-i686.exe > exe/dos-program.exe; patch exe/dos-program.exe 24 1C00; patch exe/dos-program.exe 60 00000000
add exe/dos-program.exe EXE_DOS "the 64-byte MZ header of hello-i686.exe, relocation offset 0x1C and new-header offset 0"
PE=$(le32 exe/lib-x86_64.dll 60)
cp exe/lib-x86_64.dll exe/arm64.dll; patch exe/arm64.dll $((PE + 4)) 64AA
add exe/arm64.dll "unknown (ARM64)" "lib-x86_64.dll with the machine patched to 0xAA64"
PE32=$(le32 exe/hello-i686.exe 60)
cp exe/hello-i686.exe exe/clr-rva15.exe; patch exe/clr-rva15.exe $((PE32 + 116)) 0F000000; patch exe/clr-rva15.exe $((PE32 + 232)) 00200000
add exe/clr-rva15.exe "EXE32, not .NET" "hello-i686.exe with 15 data directories and a non-zero directory 14"
cp exe/hello-i686.exe exe/clr-rva16.exe; patch exe/clr-rva16.exe $((PE32 + 232)) 00200000
add exe/clr-rva16.exe "EXE32 .NET" "hello-i686.exe with a non-zero directory 14 (runtime header address)"
cp exe/hello-i686.exe exe/rva-huge.exe; patch exe/rva-huge.exe $((PE32 + 116)) FFFFFFFF
add exe/rva-huge.exe "EXE32" "hello-i686.exe with NumberOfRvaAndSizes 0xFFFFFFFF"
head -c $((PE + 200)) exe/lib-x86_64.dll > exe/pe-truncated.dll
add exe/pe-truncated.dll "unknown (truncated)" "lib-x86_64.dll cut 200 bytes after its PE signature"

# ---------- images (imagemagick) ----------
$IM rose: -interlace JPEG image/progressive.jpg
add image/progressive.jpg "JPG 70x46 progressive (SOF2)" "convert rose: -interlace JPEG x.jpg"
$IM rose: image/baseline.jpg
add image/baseline.jpg "JPG 70x46 baseline (SOF0)" "convert rose: x.jpg"
$IM -size 1x1 xc:red image/pixel-1x1.jpg
add image/pixel-1x1.jpg "JPG 1x1 (tracking)" "convert -size 1x1 xc:red x.jpg"
$IM -size 1x2 xc:red image/pixel-1x2.jpg
add image/pixel-1x2.jpg "JPG 1x2" "convert -size 1x2 xc:red x.jpg"
$IM -size 1x2 xc:red image/pixel-1x2.png
add image/pixel-1x2.png "PNG 1x2" "convert -size 1x2 xc:red x.png"
$IM -size 1x2 xc:red image/pixel-1x2.gif
add image/pixel-1x2.gif "GIF 1x2" "convert -size 1x2 xc:red x.gif"
$IM -size 1x2 xc:red BMP3:image/pixel-1x2.bmp
add image/pixel-1x2.bmp "BMP 1x2" "convert -size 1x2 xc:red BMP3:x.bmp"
# No Debian tool writes a top-down bitmap: the rows of a bottom-up one are reversed and the height negated.
$IM -size 1x1 xc:blue BMP3:"$W/p.bmp"
$PY - "$W/p.bmp" image/topdown-1x1.bmp <<'EOF'
import struct, sys
b = bytearray(open(sys.argv[1], "rb").read())
off, w, h, bpp = struct.unpack_from("<I", b, 10)[0], *struct.unpack_from("<iiH", b, 18)[:2], struct.unpack_from("<H", b, 28)[0]
row = ((w * bpp + 31) // 32) * 4
rows = [b[off + i * row: off + (i + 1) * row] for i in range(h)]
b[off:off + h * row] = b"".join(reversed(rows))
struct.pack_into("<i", b, 22, -h)
open(sys.argv[2], "wb").write(b)
EOF
add image/topdown-1x1.bmp "BMP 1x-1 (top-down, not tracking)" "convert -size 1x1 xc:blue BMP3:x.bmp, rows reversed and height negated"
# A JPEG whose first segment is its quantisation table (no JFIF or Exif segment).
$PY - image/baseline.jpg image/dqt-first.jpg <<'EOF'
import sys
b = open(sys.argv[1], "rb").read()
assert b[2:4] == b"\xff\xe0"
n = int.from_bytes(b[4:6], "big")
open(sys.argv[2], "wb").write(b[:2] + b[4 + n:])
EOF
add image/dqt-first.jpg "JPG 70x46 (FF D8 FF DB)" "baseline.jpg with its JFIF APP0 segment removed"

# ---------- audio (lame) and drawings ----------
# The corpus's MP3s are MPEG-2.5 frames (FF E3); these are MPEG-1 Layer III at 44.1 kHz (FF FB), with and
# without an ID3v2 tag.
$PY - "$W/tone.wav" <<'EOF'
import math, struct, sys, wave
w = wave.open(sys.argv[1], "wb"); w.setnchannels(1); w.setsampwidth(2); w.setframerate(44100)
w.writeframes(b"".join(struct.pack("<h", int(8000 * math.sin(2 * math.pi * 440 * i / 44100))) for i in range(11025)))
w.close()
EOF
lame --silent -b 64 -t --id3v2-only --tt tone "$W/tone.wav" audio/tone-id3v2.mp3
add audio/tone-id3v2.mp3 "MP3 (ID3)" "lame -b 64 -t --id3v2-only --tt tone tone.wav (a 0.25 s sine written by python3)"
lame --silent -b 64 -t "$W/tone.wav" audio/tone-frames.mp3
add audio/tone-frames.mp3 "MP3 (FF FB)" "lame -b 64 -t tone.wav"
# AutoCAD on Windows ends lines with CR LF, which the signature expects; ezdxf on Linux writes LF.
CORPUS=$HERE/../../shared/corpus/files
sed 's/$/\r/' "$CORPUS/doc/drawing-r12.dxf" > doc/drawing-crlf.dxf
add doc/drawing-crlf.dxf "DXF" "the corpus's drawing-r12.dxf (python3-ezdxf) with CR LF line ends"

# ---------- text documents ----------
HTML='<!DOCTYPE html>\n<html><head><title>t</title></head><body><p>Hello</p></body></html>\n'
XML='<?xml version="1.0" encoding="UTF-16"?>\n<root><item>x</item></root>\n'
{ printf '\xEF\xBB\xBF\r\n\r\n   \t'; printf "$HTML"; } > text/utf8-bom-blank.html
add text/utf8-bom-blank.html HTML "printf EF BB BF, blank lines, then a doctype"
{ printf '\xFE\xFF'; printf "$XML" | iconv -f UTF-8 -t UTF-16BE; } > text/utf16be-bom.xml
add text/utf16be-bom.xml XML "printf FE FF + iconv -t UTF-16BE"
{ printf '\xFF\xFE'; printf '\n  '"$HTML" | iconv -f UTF-8 -t UTF-16LE; } > text/utf16le-bom-blank.html
add text/utf16le-bom-blank.html HTML "printf FF FE + iconv -t UTF-16LE of blank text and a doctype"
{ printf '\xFE\xFF'; printf '<?xml version="1.0"?><a/>' | iconv -f UTF-8 -t UTF-16BE; printf 'x'; } > text/utf16be-odd.xml
add text/utf16be-odd.xml "unknown (odd UTF-16 length)" "printf FE FF + iconv -t UTF-16BE + one more byte"
{ printf '%130s' ''; printf "$HTML"; } > text/late-signature.html
add text/late-signature.html "unknown (signature after byte 128)" "130 spaces, then a doctype"
{ printf '\xFF\xFE\x00\x00'; printf "$HTML" | iconv -f UTF-8 -t UTF-32LE; } > text/utf32.html
add text/utf32.html "unknown (UTF-32)" "printf FF FE 00 00 + iconv -t UTF-32LE"

# ---------- Office Open XML, assembled with zip from minimal parts ----------
ooxml() { # name maindir relsdir relsfile mainpart
  local d="$W/$1"; mkdir -p "$d/_rels" "$d/$2/$3"
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/></Types>\n' > "$d/[Content_Types].xml"
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="%s/%s"/></Relationships>\n' "$2" "$5" > "$d/_rels/.rels"
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"/>\n' > "$d/$2/$3/$4"
  printf '<?xml version="1.0" encoding="UTF-8"?>\n<doc/>\n' > "$d/$2/$5"
  (cd "$d" && zip -X -q -r "$W/$1.zip" '[Content_Types].xml' _rels "$2")
}
ooxml docx word _rels document.xml.rels document.xml; cp "$W/docx.zip" office/minimal.docx
add office/minimal.docx DOCX "zip -X -r of [Content_Types].xml, _rels/.rels, word/_rels/document.xml.rels, word/document.xml"
cp office/minimal.docx office/docx-named.zip
add office/docx-named.zip DOCX "minimal.docx named .zip"
ooxml xlsx xl worksheets sheet1.xml workbook.xml; cp "$W/xlsx.zip" office/minimal.xlsx
add office/minimal.xlsx XLSX "zip -X -r of [Content_Types].xml, _rels/.rels, xl/worksheets/sheet1.xml, xl/workbook.xml"
ooxml pptx ppt _rels presentation.xml.rels presentation.xml; cp "$W/pptx.zip" office/minimal.pptx
add office/minimal.pptx PPTX "zip -X -r of [Content_Types].xml, _rels/.rels, ppt/_rels/presentation.xml.rels, ppt/presentation.xml"
cp "$W/xlsx.zip" office/xlsx-named.docx
add office/xlsx-named.docx XLSX "minimal.xlsx named .docx"

# ---------- archives (zip, gcab) ----------
printf 'Plain text inside an archive.\n' > "$W/readme.txt"
cp exe/hello-x86_64.exe "$W/setup.exe"
$IM -size 1x1 xc:white "$W/pixel.png"
(cd "$W" && zip -X -q program.zip setup.exe readme.txt pixel.png); cp "$W/program.zip" archive/program.zip
add archive/program.zip "ZIP: setup.exe (???), readme.txt (???), pixel.png (PNG)" "zip -X program.zip setup.exe readme.txt pixel.png"
cp archive/program.zip archive/zip-named.cab
add archive/zip-named.cab "ZIP (a ZIP named .cab)" "program.zip named .cab"
for i in $(seq 1 60); do echo "Line $i of a text that compresses well enough for bzip2."; done > "$W/long.txt"
(cd "$W" && zip -X -q -Z bzip2 bzip2.zip long.txt); cp "$W/bzip2.zip" archive/bzip2.zip
add archive/bzip2.zip "ZIP: long.txt (method 12, ???, no bytes)" "zip -Z bzip2"
(cd "$W" && zip -X -q comment.zip readme.txt && $PY -c 'print("c" * 299)' | zip -q -z comment.zip); cp "$W/comment.zip" archive/long-comment.zip
add archive/long-comment.zip "ZIP, no files (end record pushed out of the last 220 bytes)" "zip -z with a 299-character comment"
# The end record begins 24 bytes before the end: its signature straddles the last two 22-byte windows.
(cd "$W" && zip -X -q straddle.zip readme.txt && printf 'ab' | zip -q -z straddle.zip)
$PY -c 'import sys; b=open(sys.argv[1],"rb").read(); assert b.rfind(b"PK\x05\x06") == len(b) - 24, len(b) - b.rfind(b"PK\x05\x06")' "$W/straddle.zip"
cp "$W/straddle.zip" archive/straddle.zip
add archive/straddle.zip "ZIP, no files (end record signature across two windows)" "zip -z with a 2-byte comment"
(cd "$W" && gcab -c -z mszip-program.cab setup.exe readme.txt >/dev/null); cp "$W/mszip-program.cab" archive/mszip-program.cab
add archive/mszip-program.cab "CAB: setup.exe (EXE), readme.txt" "gcab -c -z x.cab setup.exe readme.txt"
(cd "$W" && gcab -c stored-program.cab readme.txt setup.exe >/dev/null); cp "$W/stored-program.cab" archive/stored-program.cab
add archive/stored-program.cab "CAB: readme.txt, setup.exe (EXE)" "gcab -c x.cab readme.txt setup.exe"
# No tool sets the run-after-extract attribute (0x0040): it is patched into the first file record.
cp archive/stored-program.cab archive/run-after-extract.cab
COFF=$(le32 archive/run-after-extract.cab 16)
$PY - archive/run-after-extract.cab "$COFF" <<'EOF'
import struct, sys
b = bytearray(open(sys.argv[1], "rb").read()); o = int(sys.argv[2])
a = struct.unpack_from("<H", b, o + 14)[0]; struct.pack_into("<H", b, o + 14, a | 0x40)
open(sys.argv[1], "wb").write(b)
EOF
add archive/run-after-extract.cab "CAB: readme.txt (run on extract), setup.exe" "stored-program.cab with attribute 0x0040 on its first file record"
cp archive/stored-program.cab archive/cab-named.dat
add archive/cab-named.dat "CAB, files not listed" "stored-program.cab named .dat"

# ---------- crafted hostile files (tool-made files with lying fields) ----------
# The folder's compression type says LZX (3).
cp archive/mszip-program.cab hostile/lzx.cab; patch hostile/lzx.cab 42 0300
add hostile/lzx.cab "CAB: files listed as ??? without bytes" "mszip-program.cab with the folder's compression type patched to 3 (LZX)"
cp archive/stored-program.cab hostile/split-previous.cab; patch hostile/split-previous.cab 30 0100
add hostile/split-previous.cab "CAB, not listed" "stored-program.cab with the previous-cabinet flag set"
cp archive/stored-program.cab hostile/split-index.cab; patch hostile/split-index.cab 34 0100
add hostile/split-index.cab "CAB, not listed" "stored-program.cab with cabinet index 1"
# The folder's first data block placed before the file records: the span between them runs backwards.
cp archive/stored-program.cab hostile/cab-span-backwards.cab; patch hostile/cab-span-backwards.cab 36 10000000
add hostile/cab-span-backwards.cab "CAB, not listed (no allocation)" "stored-program.cab with the first data block offset patched to 16"
cp archive/stored-program.cab hostile/cab-span-past-end.cab; patch hostile/cab-span-past-end.cab 36 F0FFFF7F
add hostile/cab-span-past-end.cab "CAB, not listed (no allocation)" "stored-program.cab with the first data block offset patched to 0x7FFFFFF0"
cp archive/stored-program.cab hostile/cab-folders-before-start.cab; patch hostile/cab-folders-before-start.cab 26 FFFF
add hostile/cab-folders-before-start.cab "CAB, not listed" "stored-program.cab with 65535 folders, which cannot fit before the file records"
cp archive/program.zip hostile/zip-cd-size-lie.zip
$PY - hostile/zip-cd-size-lie.zip <<'EOF'
import struct, sys
b = bytearray(open(sys.argv[1], "rb").read()); e = b.rfind(b"PK\x05\x06")
struct.pack_into("<I", b, e + 12, 0xFFFFFF00); open(sys.argv[1], "wb").write(b)
EOF
add hostile/zip-cd-size-lie.zip "ZIP, no files (no allocation)" "program.zip with the central directory size patched to 0xFFFFFF00"
cp archive/program.zip hostile/zip-cd-count-lie.zip
$PY - hostile/zip-cd-count-lie.zip <<'EOF'
import struct, sys
b = bytearray(open(sys.argv[1], "rb").read()); e = b.rfind(b"PK\x05\x06")
struct.pack_into("<HH", b, e + 8, 4, 4); open(sys.argv[1], "wb").write(b)
EOF
add hostile/zip-cd-count-lie.zip "ZIP, no files" "program.zip whose end record counts 4 entries for 3"
head -c 2000 archive/program.zip > hostile/zip-truncated.zip
add hostile/zip-truncated.zip "ZIP, no files" "program.zip cut after 2000 bytes"
head -c 30 archive/mszip-program.cab > hostile/cab-truncated.cab
add hostile/cab-truncated.cab "CAB, not listed" "mszip-program.cab cut after 30 bytes"
# A new-header offset far past the end, with the PE signature where a reader that trusts it would look.
$PY - hostile/pe-offset-huge.exe <<'EOF'
import struct, sys
b = bytearray(open("exe/hello-x86_64.exe", "rb").read()[:512])
struct.pack_into("<I", b, 60, 0x7FFFFF00); b[256:260] = b"PE\0\0"
open(sys.argv[1], "wb").write(b)
EOF
add hostile/pe-offset-huge.exe "unknown" "the first 512 bytes of hello-x86_64.exe with the new-header offset patched to 0x7FFFFF00"
# The new-header offset points at "PE" near the end: the header a PE reader needs runs past the end.
$PY - hostile/pe-header-past-end.exe <<'EOF'
import struct, sys
b = bytearray(open("exe/hello-x86_64.exe", "rb").read()[:512])
struct.pack_into("<I", b, 60, 508); b[508:512] = b"PE\0\0"
open(sys.argv[1], "wb").write(b)
EOF
add hostile/pe-header-past-end.exe "unknown" "512 bytes of hello-x86_64.exe with the PE signature moved to byte 508"
head -c 3 archive/program.zip > hostile/pk3.bin
add hostile/pk3.bin "unknown" "the first 3 bytes of a ZIP (50 4B 03)"

echo "fixtures written to $OUT ($(du -sh . | cut -f1))"
