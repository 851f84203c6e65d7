# The Debian package: `cpack -G DEB` in a Release build (scripts/package does both).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vell-thermo)
set(CPACK_PACKAGE_VENDOR "Vell Thermo developers")
set(CPACK_PACKAGE_CONTACT "Vell Thermo developers <maintainers@vellthermo.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "live reading of a Vell Bluetooth LE thermometer")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Vell Thermo finds a Vell thermometer over Bluetooth LE, connects to it by itself\n"
    "and shows its reading as one line of text over a skinnable background picture.\n"
    "Skins are folders of pictures and a list of labels that users can edit. A\n"
    "simulated and a replayed sensor are built in for trying it out without a\n"
    "thermometer.")
# The packaged binary finds its skins relative to itself, at /usr/share/vell-thermo.
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Library dependencies come from dpkg-shlibdeps. Qt loads its window-system plugins at run time,
# so no library names them, and libqt6gui6 only recommends them: without them no window opens.
# libmosquitto is opened only when --mqtt asks for it, so no library names it either.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libmosquitto1")
# Only a real sensor needs BlueZ; the simulated and replayed ones run without it. Wayland
# sessions otherwise fall back to X11 through XWayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "bluez, qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
