# The packages the program needs to build and run, and those the tests add.
BUILD_PACKAGES=(cmake g++ make ccache pkg-config qt6-base-dev libqt6sql6-sqlite libsqlite3-dev mdbtools-dev libpq-dev libgl-dev libqt6svg6 fonts-dejavu-core fonts-dejavu-extra)
TEST_PACKAGES=(cups cups-client printer-driver-cups-pdf poppler-utils zbar-tools xvfb openbox xdotool x11-utils mdbtools python3 postgresql desktop-file-utils appstream dpkg-dev file e2fsprogs libfuse3-dev fuse3)
# The fuzz targets: clang with libFuzzer and its sanitizer runtimes.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
# The Windows build (scripts/windows/): MinGW-w64 with posix threads, the tools the libraries'
# builds need (tclsh makes SQLite's single source), Wine to run the tests, NSIS for the setup program,
# xclip for the end-to-end tests to paste Czech text into the program under Wine.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-x86-64-dev
                  ninja-build tcl dpkg-dev wine wine64 nsis xclip)
