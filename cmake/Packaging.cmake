# Install rules and the Debian package. Only the program and its desktop files are installed:
# tests, benchmarks, fuzzers and the sample database stay in the build tree.
#
#   cmake --install build --prefix /usr      (or:  cd build && cpack -G DEB)
include(GNUInstallDirs)

set(TBN_PACKAGE tabulon)
set(TBN_DOC_DIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/${TBN_PACKAGE})

install(TARGETS TBN RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# Relocations resolved at start and then made read-only, as Debian builds its own programs.
target_link_options(TBN PRIVATE -Wl,-z,relro,-z,now)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/tabulon.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${TBN_ICON_SVG} DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
foreach(size ${TBN_ICON_SIZES})
  install(FILES ${TBN_ICON_DIR}/tabulon-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps RENAME tabulon.png)
endforeach()

# Debian keeps manual pages and changelogs compressed, with no name or time stamp in the header.
find_program(GZIP_PROGRAM gzip REQUIRED)
set(TBN_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
foreach(name TBN.1 changelog)
  configure_file(${CMAKE_SOURCE_DIR}/desktop/${name}.in ${TBN_PACKAGE_DIR}/${name} @ONLY)
  add_custom_command(
      OUTPUT ${TBN_PACKAGE_DIR}/${name}.gz
      COMMAND sh -c "${GZIP_PROGRAM} -9n -c \"$1\" > \"$1.gz\"" gzip ${TBN_PACKAGE_DIR}/${name}
      DEPENDS ${TBN_PACKAGE_DIR}/${name}
      VERBATIM)
  list(APPEND TBN_PACKAGE_FILES ${TBN_PACKAGE_DIR}/${name}.gz)
endforeach()
add_custom_target(tbn_package_files ALL DEPENDS ${TBN_PACKAGE_FILES})
install(FILES ${TBN_PACKAGE_DIR}/TBN.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${TBN_PACKAGE_DIR}/changelog.gz ${CMAKE_SOURCE_DIR}/desktop/copyright ${CMAKE_SOURCE_DIR}/README.md
        DESTINATION ${TBN_DOC_DIR})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${TBN_PACKAGE})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Tabulon developers")
set(CPACK_PACKAGE_CONTACT "Tabulon developers <tabulon@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop SQL query browser for SQLite, PostgreSQL and ODBC")
set(CPACK_PACKAGE_DESCRIPTION
    "Tabulon (TBN) keeps named connection strings and opens any number of query\n"
    "windows on them inside one frame. Each window lists the database's tables,\n"
    "takes SQL in a text pane, runs all of it or only the selection, and shows the\n"
    "rows in a grid sized to its contents. Queries are saved and loaded as text\n"
    "files. SQLite databases open from the file manager or the command line.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION database)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends comes from the shared libraries TBN actually links (dpkg-shlibdeps), never a hand list.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "odbc-postgresql, libsqliteodbc")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
