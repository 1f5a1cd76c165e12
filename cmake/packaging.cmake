# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package: cpack -G DEB in the build folder writes quillon_<version>_<arch>.deb.
# Its library dependencies are read off the binary by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME quillon)
set(CPACK_PACKAGE_VENDOR "Quillon developers")
set(CPACK_PACKAGE_CONTACT "Quillon developers <dev@quillon.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "search a web catalogue of shared files and copy their links")
# Debian's lines of a description: at most 80 characters.
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Quillon looks up a keyword in a public web catalogue of shared files,\n"
    "lists the eMule entries of its first four result pages, shows an entry's\n"
    "links with their sizes and puts the final link on the clipboard. Its\n"
    "interface is Simplified Chinese.")
# The full four-part version, which Debian accepts as it stands.
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "${QUILLON_HOMEPAGE}")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its window-system plugin at run time, so no library dependency names it.
# A Chinese font, so that no install shows the interface as boxes, and Qt's own Chinese texts.
# libcurl only recommends the certificate authorities; without them every https fetch fails its
# certificate check and a catalogue on https, or one that redirects there, shows no rows.
# The desktop's proxy settings are read by libproxy's own tool (libproxy-tools), in a process of its
# own, and libproxy reads them only through its plugins: GNOME's is small and is
# needed wherever the proxy is set in GNOME's Settings (without it a user behind a proxy gets no
# rows and no word why); the script runner brings a JavaScript engine, so only recommended; KDE's
# brings KDE's libraries, so only suggested.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, qt6-translations-l10n, fonts-noto-cjk | fonts-wqy-microhei | fonts-wqy-zenhei, ca-certificates, libproxy-tools, libproxy1-plugin-gsettings")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libproxy1-plugin-webkit")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "libproxy1-plugin-kconfig")

# Every file of the package carries the time of the sources' last commit (SOURCE_DATE_EPOCH), not
# of the build, so that two builds of one commit give the same package.
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/package_times.cmake)

include(CPack)
