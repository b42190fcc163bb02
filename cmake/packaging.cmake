# `cpack -G DEB` in the build folder: kq505_<version>_<arch>.deb, installing under /usr, its
# library dependencies computed from the binary by dpkg-shlibdeps (package dpkg-dev).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kq505)
set(CPACK_PACKAGE_VENDOR "The KQ505 developers")
set(CPACK_PACKAGE_CONTACT "The KQ505 developers <kq505@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Editor for layered voices of a 32-part XG tone generator")
set(CPACK_PACKAGE_DESCRIPTION
    "KQ505 edits layered voices on a 32-part XG tone generator fed by two MIDI outputs: \
each of the 16 parts has an A layer on Port A and a B layer on Port B. Every change goes \
out at once as MIDI. The user interface is Japanese.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The dialogs are laid out for this face; the other is its fallback.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://example.org/kq505/")
include(CPack)
