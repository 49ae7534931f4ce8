#!/bin/sh
# Rebuilds the demo's program images from their .rc files (Debian packages binutils-mingw-w64-x86-64
# and cpp): resource-only PE32+ images that carry nothing but a version record.
set -eu
cd "$(dirname "$0")"
for rc in *.rc; do
    name=${rc%.rc}
    x86_64-w64-mingw32-windres --preprocessor=cpp --preprocessor-arg=-P --codepage=65001 --target=pe-x86-64 \
        -O coff -i "$rc" -o "$name.o"
    x86_64-w64-mingw32-ld -m i386pep --dll --entry=0 --strip-all --no-insert-timestamp -o "$name.exe" "$name.o"
    rm -f "$name.o"
done
