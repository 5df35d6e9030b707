# The installed layout and the Debian package (cmake --build build --target package).
#   bin/                         corvane and the command-line tools
#   share/corvane/help/          the help pages (the program finds them from its own bin directory)
#   share/applications/, share/metainfo/, share/icons/hicolor/, share/man/man1/
include(GNUInstallDirs)

set(CORVANE_APP_ID org.corvane.Invoicing)
set(CORVANE_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)

install(TARGETS corvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(CORVANE_TOOLS corvane-data corvane-dbtool corvane-report)
set(CORVANE_MAN_PAGES corvane)
foreach(tool ${CORVANE_TOOLS})
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    if(EXISTS ${CORVANE_PACKAGING_DIR}/man/${tool}.1)
      list(APPEND CORVANE_MAN_PAGES ${tool})
    endif()
  endif()
endforeach()

install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/corvane/help)
install(FILES ${CORVANE_PACKAGING_DIR}/${CORVANE_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
configure_file(${CORVANE_PACKAGING_DIR}/${CORVANE_APP_ID}.metainfo.xml
               ${PROJECT_BINARY_DIR}/packaging/${CORVANE_APP_ID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/packaging/${CORVANE_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/icons/app/corvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(side 16 22 24 32 48 64 128 256)
  install(FILES ${PROJECT_SOURCE_DIR}/icons/app/${side}x${side}/corvane.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${side}x${side}/apps)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/icons/commands/COPYING
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/corvane RENAME copyright.command-icons)

# Man pages, compressed as Debian keeps them.
set(man_outputs)
foreach(page ${CORVANE_MAN_PAGES})
  set(text ${PROJECT_BINARY_DIR}/packaging/man/${page}.1)
  configure_file(${CORVANE_PACKAGING_DIR}/man/${page}.1 ${text} @ONLY)
  add_custom_command(OUTPUT ${text}.gz COMMAND gzip -9nkf ${text} DEPENDS ${text} VERBATIM)
  list(APPEND man_outputs ${text}.gz)
  install(FILES ${text}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
add_custom_target(corvane_man ALL DEPENDS ${man_outputs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VENDOR "Corvane Invoicing")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "invoicing and small-business bookkeeping")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "A desktop program that writes tax invoices with line items and payments, keeps customers, products "
    "and inventory purchases, prints invoices, bills, statements, reports and address labels, and keeps "
    "its xBase data files in order.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Corvane Invoicing developers <dev@corvane.example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt loads its display and image plugins at run time; no linked library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
include(CPack)
