# The manual pages, the shell completion and the package's documents; then `cpack -G DEB` in a
# build folder makes a Debian package of everything `cmake --install` installs.
find_program(GZIP gzip REQUIRED)
set(vexilo_man_pages)
foreach(page vexilo.1 vexilo-cli.1)
  # -n keeps the name and time out of the archive, so the package's bytes do not depend on them.
  add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/${page}.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/docs/man/${page} > ${CMAKE_BINARY_DIR}/man/${page}.gz
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/man/${page} VERBATIM)
  list(APPEND vexilo_man_pages ${CMAKE_BINARY_DIR}/man/${page}.gz)
endforeach()
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/man/changelog.gz
  COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/data/debian/changelog > ${CMAKE_BINARY_DIR}/man/changelog.gz
  DEPENDS ${PROJECT_SOURCE_DIR}/data/debian/changelog VERBATIM)
add_custom_target(vexilo_docs ALL DEPENDS ${vexilo_man_pages} ${CMAKE_BINARY_DIR}/man/changelog.gz)
install(FILES ${vexilo_man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/data/completion/vexilo-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${CMAKE_BINARY_DIR}/man/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

set(CPACK_PACKAGE_NAME vexilo)
set(CPACK_PACKAGE_VENDOR "The Vexilo developers")
set(CPACK_PACKAGE_CONTACT "The Vexilo developers <vexilo@users.noreply.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "find, view, convert and collect images and icons")
set(CPACK_PACKAGE_DESCRIPTION
    "Vexilo walks chosen folders for image files and lists them with thumbnails,\n\
pulls the icons out of Windows executables, libraries and cursor files,\n\
previews and resizes the selected image, saves it in other formats and\n\
converts many files at once. vexilo-cli does the same work from a terminal.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vexilo.invalid/")
# The linked libraries become dependencies through dpkg-shlibdeps. libheif and librsvg are opened
# only when such a file is read, and the icons are drawn by Qt's SVG icon engine plugin, so these
# are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libheif1, librsvg2-2, libqt6svg6, hicolor-icon-theme")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
