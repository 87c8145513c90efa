# libmdb from the mdbtools 1.0.0 source (vendored, LGPL) as a DLL, with its own small GLib replacement
# and an iconv on Windows' code-page conversions (libmdb/). Built without autotools: the library is
# a flat list of C files and two generated headers.
here_sdk="$(dirname "${BASH_SOURCE[0]}")"
tar xzf "$root/vendor/mdbtools-1.0.0.tar.gz"
cd mdbtools-1.0.0
version=1.0.0
sed -e 's/@HAVE_ICONV_H@/1/' -e 's/@HAVE_XLOCALE_H@/0/' -e 's/@GLIB_INCLUDE_HEADER@/mdbfakeglib.h/' \
    -e 's/@LOCALE_T@/_locale_t/' include/mdbtools.h.in >include/mdbtools.h
sed -e 's/@PACKAGE@/mdbtools/' -e "s/@VERSION@/$version/" include/mdbver.h.in >include/mdbver.h
cp "$here_sdk/libmdb/iconv.h" include/
sources=(catalog file table data dump backend money sargs index like write stats map props worktable options
         iconv version rc4 fakeglib)
sources=("${sources[@]/#/src/libmdb/}")
mkdir -p "$PREFIX/bin" "$PREFIX/lib/pkgconfig" "$PREFIX/include"
x86_64-w64-mingw32-gcc-posix -O2 -Iinclude -DHAVE_ICONV -DICONV_CONST= -DTLS=_Thread_local -DHAVE_VASPRINTF -w -shared \
    -o "$PREFIX/bin/libmdb-3.dll" "${sources[@]/%/.c}" "$here_sdk/libmdb/iconv.c" \
    -Wl,--out-implib,"$PREFIX/lib/libmdb.dll.a"
cp include/mdbtools.h include/mdbfakeglib.h include/mdbver.h include/iconv.h "$PREFIX/include/"
write_pc libmdb libmdb "reading Access databases" "$version" mdb
