# What `cmake --install` puts on a Linux desktop, and the Debian package of it
# (`cpack -G DEB` in any configured build folder, or ./scripts/package).
include(GNUInstallDirs)

set(VAVIRIR_LINUX_DIR ${PROJECT_SOURCE_DIR}/resources/linux)

install(TARGETS vavirir-cli vavirir-sim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Manual pages and the shell completion carry the version and install paths.
foreach(page vavirir vavirir-cli vavirir-sim)
  configure_file(${PROJECT_SOURCE_DIR}/resources/man/${page}.1 ${PROJECT_BINARY_DIR}/man/${page}.1
                 @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/man/${page}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/resources/completion/vavirir-cli
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)

# The data file type is known to the system with or without the desktop program.
install(FILES ${VAVIRIR_LINUX_DIR}/vavirir-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME vavirir.xml)

if(TARGET vavirir)
  install(TARGETS vavirir RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  # The program looks for the guide beside itself, then in ../share/vavirir.
  install(FILES ${PROJECT_SOURCE_DIR}/resources/help.html
          DESTINATION ${CMAKE_INSTALL_DATADIR}/vavirir)
  install(FILES ${VAVIRIR_LINUX_DIR}/vavirir.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  configure_file(${VAVIRIR_LINUX_DIR}/org.vavirir.Vavirir.metainfo.xml
                 ${PROJECT_BINARY_DIR}/org.vavirir.Vavirir.metainfo.xml @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/org.vavirir.Vavirir.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # The icon: the artwork itself, and bitmaps for the sizes that want one,
  # drawn at build time by the same SVG renderer the program uses.
  set(icon_svg ${PROJECT_SOURCE_DIR}/resources/art/app_icon.svg)
  set(icon_root ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
  install(FILES ${icon_svg} DESTINATION ${icon_root}/scalable/apps RENAME vavirir.svg)
  add_executable(vavirir_render_icon tools/icon/render_icon.cpp)
  target_link_libraries(vavirir_render_icon PRIVATE vavirir_settings Qt6::Gui Qt6::Svg)
  set(icon_pngs)
  foreach(size 48 256)
    set(png ${PROJECT_BINARY_DIR}/icons/${size}/vavirir.png)
    add_custom_command(OUTPUT ${png}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/icons/${size}
      COMMAND vavirir_render_icon ${icon_svg} ${size} ${png}
      DEPENDS vavirir_render_icon ${icon_svg}
      COMMENT "Rendering the ${size} px application icon")
    install(FILES ${png} DESTINATION ${icon_root}/${size}x${size}/apps)
    list(APPEND icon_pngs ${png})
  endforeach()
  add_custom_target(vavirir_icons ALL DEPENDS ${icon_pngs})
endif()

# The Debian package. Its dependencies come from the shared libraries the
# programs link (dpkg-shlibdeps); the file is vavirir_<version>_<arch>.deb.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vavirir)
set(CPACK_PACKAGE_VENDOR "The Vavirir developers")
set(CPACK_PACKAGE_CONTACT "The Vavirir developers <vavirir@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "desktop companion for a Bluetooth digital multimeter")
set(CPACK_PACKAGE_DESCRIPTION
    "Shows the display of a handheld digital multimeter that streams it over a\n\
Bluetooth serial link, records its readings as graph, data list and summary,\n\
downloads its stored readings, and exports spreadsheet files and UTF-8 CSV.\n\
Includes vavirir-cli, a headless tool, and vavirir-sim, a simulated meter.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
include(CPack)
