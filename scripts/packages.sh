# The packages the program needs to build and run, and those the tests add.
BUILD_PACKAGES=(cmake g++ make ccache pkg-config qt6-base-dev libqt6sql6-sqlite libsqlite3-dev mdbtools-dev libpq-dev libgl-dev libqt6svg6 fonts-dejavu-core fonts-dejavu-extra)
TEST_PACKAGES=(cups cups-client printer-driver-cups-pdf poppler-utils xvfb openbox xdotool x11-utils mdbtools python3 postgresql desktop-file-utils appstream dpkg-dev file e2fsprogs)
# The fuzz targets: clang with libFuzzer and its sanitizer runtimes.
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
