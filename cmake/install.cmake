# What `cmake --install` puts where, and the Debian package CPack builds from
# it (`cpack -G DEB` in the build folder; tools/package.sh).
include(GNUInstallDirs)
# Installing (and CPack) needs only what is installed built, not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

install(TARGETS tarvex RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/tarvex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DATADIR}/tarvex/examples)
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(TARGET lumeno)
  install(TARGETS lumeno RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The help pages are built into lumeno as well; these copies are for reading outside it.
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/frontend/assets/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/help
          FILES_MATCHING PATTERN "*.html" PATTERN "*.css")
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/lumeno.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/frontend/assets/lumeno.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()

set(CPACK_PACKAGE_NAME tarvex)
set(CPACK_PACKAGE_VENDOR "The tarvex developers")
set(CPACK_PACKAGE_CONTACT "The tarvex developers <tarvex@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Testability analysis and scan design of RTL data paths")
set(CPACK_PACKAGE_DESCRIPTION
    "tarvex analyses the controllability, observability and testability of register-transfer level data paths and designs scan layouts; lumeno is its Qt desktop front end for teaching.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY tarvex)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Libraries from the binaries themselves (dpkg-shlibdeps), plus the programs
# and the Qt platform plugins the tools start or load at run time.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "yosys, graphviz, qt6-qpa-plugins, libqt6svg6")
include(CPack)
