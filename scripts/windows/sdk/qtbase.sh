# qtbase from Debian's source package (the version the Linux build uses): Core, Gui, Widgets,
# PrintSupport, Sql with the SQLite driver on our SQLite DLL, Test, and the windows and offscreen
# platform plugins. The host tools (moc, rcc, uic) come from the build host's Qt.
src="$(source_of qt6-base)"
sqlite="$DEPS"
host_cmake=/usr/lib/x86_64-linux-gnu/cmake
off=(network dbus icu concurrent xml opengles2 vulkan
     # The tablet header the windows plugin wants is missing from Debian's source; a counter needs no pen.
     tabletevent
     sql_odbc sql_psql sql_mysql sql_ibase sql_db2 sql_oci
     gif jpeg ico movie imageformat_bmp imageformat_ppm imageformat_xbm
     style_fusion
     testlib_selfcover itemmodeltester batch_test_support
     sessionmanager accessibility_atspi_bridge)
flags=()
for f in "${off[@]}"; do flags+=("-DFEATURE_$f=OFF"); done
cmake -S "$src" -B build -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$PREFIX" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" -DQt6HostInfo_DIR="$host_cmake/Qt6HostInfo" \
    -DBUILD_SHARED_LIBS=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DQT_BUILD_TOOLS_WHEN_CROSSCOMPILING=OFF -DQT_GENERATE_SBOM=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_freetype=OFF \
    -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF -DFEATURE_system_doubleconversion=OFF \
    -DFEATURE_system_sqlite=ON -DSQLite3_INCLUDE_DIR="$sqlite/include" -DSQLite3_LIBRARY="$sqlite/lib/libsqlite3.dll.a" \
    -DFEATURE_sql_sqlite=ON -DFEATURE_opengl=ON -DFEATURE_opengl_dynamic=ON \
    "${flags[@]}"
cmake --build build --parallel "$JOBS"
cmake --install build
