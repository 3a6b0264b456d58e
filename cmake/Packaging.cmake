# Installation into the standard places, and the Debian package.
include(GNUInstallDirs)

install(TARGETS kestrova RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/res/desktop/${KESTROVA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/res/desktop/${KESTROVA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${PROJECT_SOURCE_DIR}/res/kestrova.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
        RENAME ${KESTROVA_APP_ID}.svg)
# Debian looks for the licence as doc/<package>/copyright.
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kestrova
        RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrova)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Corvanel)
set(CPACK_PACKAGE_CONTACT "Corvanel <kestrova@corvanel.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://corvanel.example.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
# Shared-library dependencies are computed by dpkg-shlibdeps; what the program loads at run
# time without linking (libcurl for the title requests, Mesa's drivers, the SVG plug-in that
# draws the icon, the Japanese font) is named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4, libgl1-mesa-dri, libqt6svg6, fonts-ipafont-gothic")
set(CPACK_STRIP_FILES ON)
# Playing from the service itself goes through yt-dlp; Wayland without XWayland needs
# qt6-wayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "yt-dlp, qt6-wayland")
include(CPack)
