# What `cmake --install` puts where, and the packages CPack makes of it: on
# Linux quill and mkkolo with their man pages, mkkolo's bash completion and
# the README, as a Debian package; on Windows the three programs side by side
# with a read-me, as a ZIP archive to unpack anywhere.

set(KOLO_PACKAGE_NAME kolo-toolkit)
include(GNUInstallDirs)

if(WIN32)
  # vellum.exe finds quill.exe beside itself and keeps vellum.ini there: the
  # programs go to the top of the folder.
  install(TARGETS vellum quill mkkolo RUNTIME DESTINATION .)
  # Notepad reads it: UTF-8 with a byte order mark, CR LF line ends.
  configure_file(doc/README-windows.txt ${PROJECT_BINARY_DIR}/README.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
else()
  install(TARGETS quill mkkolo RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  set(man_pages)
  foreach(page quill.1 mkkolo.1)
    set(compressed ${PROJECT_BINARY_DIR}/man/${page}.gz)
    add_custom_command(OUTPUT ${compressed}
      COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/doc/${page} ${PROJECT_BINARY_DIR}/man/${page}
      COMMAND gzip -9nf ${PROJECT_BINARY_DIR}/man/${page}
      DEPENDS ${PROJECT_SOURCE_DIR}/doc/${page}
      VERBATIM)
    list(APPEND man_pages ${compressed})
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${man_pages})
  install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES README.md DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${KOLO_PACKAGE_NAME})
  # Where bash-completion looks for a command's completion when it is first
  # completed.
  install(FILES mkkolo/completion.bash DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/bash-completion/completions
          RENAME mkkolo)
  set(CPACK_GENERATOR DEB)
endif()

set(CPACK_PACKAGE_NAME ${KOLO_PACKAGE_NAME})
set(CPACK_PACKAGE_VENDOR "kolo toolkit developers")
set(CPACK_PACKAGE_CONTACT "kolo toolkit developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "turns music-player skin files into installable .kolo packages")
set(CPACK_STRIP_FILES ON)

string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "mkkolo pairs skin files (a layout .xml with a .pxa or .mbm image bundle of\n"
  "the same base name) into skins and packs each into a .kolo package, many\n"
  "side by side, and quill packs files into one .pak package.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The dependencies as dpkg-shlibdeps finds them in the programs.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
