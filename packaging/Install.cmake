# Installing the program as a desktop program, and its Debian package (cpack -G DEB).
#
# Layout (prefix /usr for the package):
#   lib/zelmo32/zelmo32            the program, with its archive libraries and picture
#   lib/zelmo32/lib*.so, *.spi     plug-ins beside it, where it looks first; the write
#                                  core libzelmo32write.so, found through RUNPATH $ORIGIN
#   bin/zelmo32 -> ../lib/zelmo32/zelmo32
#   share/applications, share/metainfo, share/icons/hicolor, share/man/man1,
#   share/doc/zelmo32 (copyright, changelog)
# The program resolves the link to its own folder, so the package's folder is its own
# folder; the compiled-in package folder (ZELMO_INSTALL_PKGDIR under the prefix) is the
# second place it looks and the folder whose settings file it never uses.
include(GNUInstallDirs)

install(TARGETS zelmo32 RUNTIME DESTINATION ${ZELMO_INSTALL_PKGDIR})

set(ZELMO_STAGE ${CMAKE_BINARY_DIR}/install-stage)
file(MAKE_DIRECTORY ${ZELMO_STAGE})
file(RELATIVE_PATH zelmo_link_target /${CMAKE_INSTALL_BINDIR} /${ZELMO_INSTALL_PKGDIR}/zelmo32)
file(CREATE_LINK ${zelmo_link_target} ${ZELMO_STAGE}/zelmo32 SYMBOLIC)
install(FILES ${ZELMO_STAGE}/zelmo32 DESTINATION ${CMAKE_INSTALL_BINDIR})

set(ZELMO_DESKTOP ${CMAKE_SOURCE_DIR}/resources/desktop)
install(FILES ${ZELMO_DESKTOP}/org.zelmo32.zelmo32.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${ZELMO_DESKTOP}/org.zelmo32.zelmo32.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The program's own pixel icons at 16 and 32, drawings of the same button above.
set(zelmo_icons 16 ${CMAKE_SOURCE_DIR}/resources/images/MAINICON16.png
                32 ${CMAKE_SOURCE_DIR}/resources/images/MAINICON.png)
foreach(size 48 64 128 256)
  list(APPEND zelmo_icons ${size} ${ZELMO_DESKTOP}/icons/zelmo32-${size}.png)
endforeach()
while(zelmo_icons)
  list(POP_FRONT zelmo_icons size file)
  install(FILES ${file} RENAME zelmo32.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endwhile()
install(FILES ${ZELMO_DESKTOP}/zelmo32.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Debian wants the manual page and the changelog compressed, reproducibly.
find_program(GZIP_PROGRAM gzip REQUIRED)
add_custom_command(OUTPUT ${ZELMO_STAGE}/zelmo32.1.gz ${ZELMO_STAGE}/changelog.gz
  COMMAND ${GZIP_PROGRAM} -9nc ${ZELMO_DESKTOP}/zelmo32.1 > ${ZELMO_STAGE}/zelmo32.1.gz
  COMMAND ${GZIP_PROGRAM} -9nc ${CMAKE_SOURCE_DIR}/packaging/changelog > ${ZELMO_STAGE}/changelog.gz
  DEPENDS ${ZELMO_DESKTOP}/zelmo32.1 ${CMAKE_SOURCE_DIR}/packaging/changelog VERBATIM)
add_custom_target(zelmo_install_docs ALL
  DEPENDS ${ZELMO_STAGE}/zelmo32.1.gz ${ZELMO_STAGE}/changelog.gz)
install(FILES ${ZELMO_STAGE}/zelmo32.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${ZELMO_STAGE}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The Debian package. Its prefix is the one the program was configured for, so the
# compiled-in package folder is where the package puts it (configure with
# -DCMAKE_INSTALL_PREFIX=/usr, as scripts/package.sh does).
set(CPACK_PACKAGE_NAME zelmo32)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
# A placeholder address in a domain reserved for examples, until the project has its own.
set(CPACK_PACKAGE_CONTACT "The Zelmo32 developers <maintainer@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "launcher and file manager for one user")
set(CPACK_PACKAGE_DESCRIPTION
  "Zelmo32 is a small desktop launcher with a Japanese user interface: a strip of
eleven pages of fourteen slots where programs, documents and folders are
registered and started with one click, and below it a file browser with a
directory tree, icon and thumbnail lists, LZH and ZIP archive viewers, a text
viewer and editor, an image preview and a search of a whole folder tree.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese text needs a CJK font; folders and documents open in the desktop's programs;
# Qt's own dialogs and menus are Japanese through Qt's translations, like the rest.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-noto-cjk, xdg-utils, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
include(CPack)
