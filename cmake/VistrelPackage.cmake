# The Debian package (./scripts/package): both programs, the desktop entry, the icons, the
# AppStream metadata, and the copyright and changelog Debian asks every package to carry.
set(VISTREL_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/vistrel)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright DESTINATION ${VISTREL_DOC_DIR})
set(VISTREL_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.gz)
add_custom_command(OUTPUT ${VISTREL_CHANGELOG}
  COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/data/debian/changelog > ${VISTREL_CHANGELOG}
  DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog)
add_custom_target(vistrel-changelog ALL DEPENDS ${VISTREL_CHANGELOG})
install(FILES ${VISTREL_CHANGELOG} DESTINATION ${VISTREL_DOC_DIR})

# Manual pages, compressed as Debian installs them.
foreach(page vistrel vistrel-cli)
  set(compressed ${CMAKE_BINARY_DIR}/man/${page}.1.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND gzip -9n -c ${PROJECT_SOURCE_DIR}/data/man/${page}.1 > ${compressed}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/man/${page}.1)
  list(APPEND VISTREL_MAN_PAGES ${compressed})
endforeach()
add_custom_target(vistrel-man-pages ALL DEPENDS ${VISTREL_MAN_PAGES})
install(FILES ${VISTREL_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vistrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Vistrel developers <dev@vistrel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "disk usage analyzer for the desktop")
set(CPACK_PACKAGE_DESCRIPTION
    "Vistrel scans a volume or a folder once, in parallel, into a snapshot,\n\
and lets you explore it: an outline largest first, a filter, a search,\n\
a map, cleanup, and earlier snapshots to compare with. Hard links count\n\
once and scans stay on one file system. vistrel-cli runs the same engine\n\
from scripts, and reads and writes ncdu's JSON export.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vistrel.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time rather than linked: the X11 and Wayland platform plugins and the SVG
# icon loader, without which the window does not open or shows no icons.
# A full icon theme, so that file types and buttons have icons outside a desktop session too.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "qt6-qpa-plugins, libqt6svg6, hicolor-icon-theme, adwaita-icon-theme | breeze-icon-theme")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
