# SQLite 3 from Debian's source package, as a DLL with the compile options Debian's build uses.
src="$(source_of sqlite3)"
cp -a "$src/." host && cd host
# The amalgamation is generated on the build host (it needs tclsh), then cross-compiled.
./configure --disable-tcl >/dev/null && make -s sqlite3.c sqlite3.h
mkdir -p "$PREFIX/bin" "$PREFIX/lib" "$PREFIX/include" "$PREFIX/lib/pkgconfig"
x86_64-w64-mingw32-gcc-posix -O2 -fno-strict-aliasing -DSQLITE_SECURE_DELETE -DSQLITE_ENABLE_COLUMN_METADATA \
    -DSQLITE_OMIT_LOOKASIDE=1 -DSQLITE_LIKE_DOESNT_MATCH_BLOBS -DSQLITE_THREADSAFE=1 -DSQLITE_USE_URI=1 \
    -DSQLITE_MAX_SCHEMA_RETRY=25 -DSQLITE_ENABLE_JSON1 -DSQLITE_MAX_VARIABLE_NUMBER=250000 \
    -shared -o "$PREFIX/bin/libsqlite3-0.dll" sqlite3.c -Wl,--out-implib,"$PREFIX/lib/libsqlite3.dll.a"
cp sqlite3.h sqlite3ext.h "$PREFIX/include/"
version="$(cat VERSION)"
write_pc sqlite3 SQLite "SQL database engine" "$version" sqlite3
