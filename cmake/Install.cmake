# SPDX-License-Identifier: GPL-3.0-or-later
# What `cmake --install` puts where a Linux desktop looks for it: the two
# programs, the menu entry, the icon in the hicolor theme (the SVG and PNG
# sizes drawn from it at build time), the AppStream description and the
# command-line tool's man page. CPack makes a Debian package of the same.

include(GNUInstallDirs)

install(TARGETS clipmill clipmill-convert RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/data/clipmill.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/data/example.clipmill.Clipmill.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/data/clipmill.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(icon_pngs)
foreach(size 16 32 48 64 128 256)
  set(png ${CMAKE_BINARY_DIR}/icons/${size}/clipmill.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/icons/${size}
    COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} ${PROJECT_SOURCE_DIR}/data/clipmill.svg -o ${png}
    DEPENDS ${PROJECT_SOURCE_DIR}/data/clipmill.svg VERBATIM)
  list(APPEND icon_pngs ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

find_program(GZIP gzip REQUIRED)
set(man_page ${CMAKE_BINARY_DIR}/clipmill-convert.1.gz)
add_custom_command(OUTPUT ${man_page}
  COMMAND ${GZIP} -9nc ${PROJECT_SOURCE_DIR}/doc/clipmill-convert.1 > ${man_page}
  DEPENDS ${PROJECT_SOURCE_DIR}/doc/clipmill-convert.1 VERBATIM)
add_custom_target(desktop_files ALL DEPENDS ${icon_pngs} ${man_page})
install(FILES ${man_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME clipmill)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Clipmill developers <clipmill@clipmill.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "batch converter for HD camcorder recordings")
set(CPACK_PACKAGE_DESCRIPTION "Converts whole cards of .MTS/.M2TS/.MPG camcorder clips into DVD, MPEG-2 HD,\nWMV, FLV, AVI, MP4 and 3GP files, several at once, with a live preview.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# MediaInfo is opened at run time and Qt loads its platform plugins at run
# time, so no linked library names them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libmediainfo0v5, qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "desktop-file-utils")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
