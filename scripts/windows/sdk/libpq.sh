# libpq, PostgreSQL's client library alone, from Debian's source package (no SSL, GSSAPI, zlib or readline:
# the shop's server is on its own network).
src="$(source_of postgresql-15)"
cp -a "$src/." pg && cd pg
./configure --host=x86_64-w64-mingw32 CC=x86_64-w64-mingw32-gcc-posix --prefix="$PREFIX" \
    --without-readline --without-zlib --without-icu --without-openssl --without-gssapi --without-ldap \
    --without-llvm --without-libxml --without-lz4 --without-zstd --disable-nls >/dev/null
make -s -C src/include
make -s -C src/port -j"$JOBS"
make -s -C src/common -j"$JOBS"
make -s -C src/interfaces/libpq -j"$JOBS"
make -s -C src/include install
make -s -C src/interfaces/libpq install
# PostgreSQL names the DLL's import library libpq.a; MinGW's own name for it is what CMake looks for.
# A client needs neither the server's headers nor a second copy of the DLL.
mv "$PREFIX/lib/libpq.a" "$PREFIX/lib/libpq.dll.a"
rm -rf "$PREFIX/include/postgresql" "$PREFIX/lib/libpq.dll" "$PREFIX/share"
sed -i 's|^prefix=.*|prefix=${pcfiledir}/../..|' "$PREFIX/lib/pkgconfig/libpq.pc"
