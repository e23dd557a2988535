# Installation and the Debian package (cpack -G DEB, see package.sh).
# Everything the program reads at run time goes under share/phrasedesk; the
# program writes nothing there (settings and the default repository live in
# the user's XDG folders).
include(GNUInstallDirs)

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
find_program(GZIP_PROGRAM gzip REQUIRED)

set(PD_PACKAGING_DIR ${CMAKE_SOURCE_DIR}/packaging)
set(PD_GENERATED ${CMAKE_BINARY_DIR}/packaging)

# The manual page and the shell completion come from the program's own
# switch table, so they list exactly what the command line accepts.
add_executable(mkprogramdocs ${PD_PACKAGING_DIR}/mkprogramdocs.cpp)
target_link_libraries(mkprogramdocs PRIVATE phrasedesk_app)
add_custom_command(OUTPUT ${PD_GENERATED}/phrasedesk.1.gz ${PD_GENERATED}/phrasedesk.bash
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${PD_GENERATED}
                   COMMAND mkprogramdocs ${PD_GENERATED}/phrasedesk.1 ${PD_GENERATED}/phrasedesk.bash
                   COMMAND ${GZIP_PROGRAM} -n -9 -f ${PD_GENERATED}/phrasedesk.1
                   DEPENDS mkprogramdocs VERBATIM)

# Icons of every size from the one SVG source.
set(PD_ICON_SIZES 16 22 24 32 48 64 128 256)
set(PD_ICONS)
foreach(size ${PD_ICON_SIZES})
  set(png ${PD_GENERATED}/icons/${size}x${size}/phrasedesk.png)
  add_custom_command(OUTPUT ${png}
                     COMMAND ${CMAKE_COMMAND} -E make_directory ${PD_GENERATED}/icons/${size}x${size}
                     COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${png} ${PD_PACKAGING_DIR}/phrasedesk.svg
                     DEPENDS ${PD_PACKAGING_DIR}/phrasedesk.svg VERBATIM)
  list(APPEND PD_ICONS ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

add_custom_command(OUTPUT ${PD_GENERATED}/changelog.gz
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${PD_GENERATED}
                   COMMAND ${GZIP_PROGRAM} -n -9 -c ${PD_PACKAGING_DIR}/changelog > ${PD_GENERATED}/changelog.gz
                   DEPENDS ${PD_PACKAGING_DIR}/changelog)
add_custom_target(packagefiles ALL
                  DEPENDS ${PD_GENERATED}/phrasedesk.1.gz ${PD_GENERATED}/phrasedesk.bash
                          ${PD_GENERATED}/changelog.gz ${PD_ICONS})

install(TARGETS phrasedesk RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/docs/ DESTINATION ${CMAKE_INSTALL_DATADIR}/phrasedesk/docs)
install(FILES ${CMAKE_SOURCE_DIR}/examples/Notes.ntv.lng ${CMAKE_SOURCE_DIR}/examples/Notes.deu.lng
              ${CMAKE_SOURCE_DIR}/examples/Notes.fra.lng ${CMAKE_SOURCE_DIR}/examples/Notes.exe
        DESTINATION ${CMAKE_INSTALL_DATADIR}/phrasedesk/examples)
install(FILES ${PD_PACKAGING_DIR}/phrasedesk.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PD_PACKAGING_DIR}/phrasedesk-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME phrasedesk.xml)
install(FILES ${PD_PACKAGING_DIR}/com.oxvel.PhraseDesk.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PD_PACKAGING_DIR}/phrasedesk.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${PD_GENERATED}/phrasedesk.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PD_GENERATED}/phrasedesk.bash DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME phrasedesk)
install(FILES ${PD_PACKAGING_DIR}/copyright ${PD_GENERATED}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/phrasedesk)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME phrasedesk)
set(CPACK_PACKAGE_VENDOR Oxvel)
set(CPACK_PACKAGE_CONTACT "Oxvel Packaging <packages@oxvel.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "translator's workbench for Delphi programs")
# The summary is the first line; this is the rest, one string (a CMake list
# would join its parts with semicolons).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Phrase Desk opens a Delphi program's localization project with one language
file per target language, lets a translator edit, mark, search and check
translations in a grid, keeps a translation memory, exchanges translations
as text, XML, XLIFF and TMX, and builds one resource DLL per language from
the program's executable. Every operation also runs in batch from the
command line for build scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION text)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies come from the libraries the program links (dpkg-shlibdeps).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql, apertium-apy, shared-mime-info, desktop-file-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
