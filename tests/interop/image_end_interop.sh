#!/usr/bin/env bash
# The image end that the runtime computes, checked against binutils' own
# reading of executables that nobody here built: the PE programs that Wine
# ships (objdump -h and -p) and the ELF programs of the system (readelf).
set -euo pipefail
tool=$1
checked=0
mismatch=0

# PE: the largest end of a section with file contents, the size rounded up
# to the file alignment as the linker writes raw data.
pe_end() {
  local file=$1 align
  align=$((16#$(objdump -p "$file" | awk '/^FileAlignment/ {print $2}')))
  objdump -h "$file" | gawk -v align="$align" '
    /^ *[0-9]+ / { size = strtonum("0x" $3); off = strtonum("0x" $6); getline flags
                   if (flags ~ /CONTENTS/ && off > 0) {
                     end = off + int((size + align - 1) / align) * align
                     if (end > max) max = end } }
    END { print max + 0 }'
}

# ELF: the largest end of the headers, segments, sections with file data and
# the section header table.
elf_end() {
  local file=$1
  readelf -W -h -l -S "$file" | gawk '
    function num(s) { return s ~ /^0x/ ? strtonum(s) : s + 0 }
    /Start of program headers:/ { phoff = $5 }
    /Start of section headers:/ { shoff = $5 }
    /Size of this header:/ { max = $5 }
    /Size of program headers:/ { phsz = $5 }
    /Number of program headers:/ { phn = $5 }
    /Size of section headers:/ { shsz = $5 }
    /Number of section headers:/ { shn = $5 }
    /^  [A-Z_]+ +0x[0-9a-f]+ 0x/ { e = num($2) + num($5); if (e > max) max = e }
    /^  \[ *[0-9]+\]/ { sub(/^  \[ *[0-9]+\] /, ""); n = split($0, f, " +")
                        if (f[2] != "NOBITS" && f[2] != "NULL") {
                          e = strtonum("0x" f[4]) + strtonum("0x" f[5]); if (e > max) max = e } }
    END { if (phoff + phn * phsz > max) max = phoff + phn * phsz
          if (shoff + shn * shsz > max) max = shoff + shn * shsz
          print max }'
}

check() {
  local file=$1 expected=$2 got
  got=$("$tool" "$file" | cut -d' ' -f1)
  checked=$((checked + 1))
  if [ "$got" != "$expected" ]; then
    echo "MISMATCH $file: runtime says $got, binutils $expected"
    mismatch=$((mismatch + 1))
  fi
}

for file in /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/*.exe; do
  [ -f "$file" ] || continue
  check "$file" "$(pe_end "$file")"
done
for file in /usr/bin/ls /usr/bin/cp /usr/bin/zip /usr/bin/unzip /usr/bin/cmake "$tool"; do
  [ -f "$file" ] || continue
  check "$file" "$(elf_end "$file")"
done

echo "image ends checked: $checked, mismatches: $mismatch"
[ "$checked" -gt 10 ] && [ "$mismatch" -eq 0 ]
