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
# Shared-library dependencies are computed by dpkg-shlibdeps; what the program loads or runs at
# run time without linking (libcurl for the title requests and yt-dlp's releases, Mesa's
# drivers, the SVG plug-in that draws the icon, the Japanese font, Python for the yt-dlp it
# fetches, the verifier that checks that yt-dlp's signature) is named here. libcurl from 7.85
# on takes the protocol allow-list the requests insist on. Debian 13 moved the SVG plug-ins out
# of libqt6svg6 into qt6-svg-plugins; Debian 12's libqt6svg6 still holds them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS "libcurl4 (>= 7.85)" libgl1-mesa-dri
       "qt6-svg-plugins | libqt6svg6 (<< 6.7.2-5~)" fonts-ipafont-gothic python3 "gpgv | sqv")
set(CPACK_STRIP_FILES ON)
# Wayland without XWayland needs qt6-wayland. Kestrova keeps a current yt-dlp itself: a
# distribution's is usually too old for the service within weeks of its release, so it is only
# suggested; a JavaScript runtime (Node.js 20 and later) lets yt-dlp answer the service's
# challenges.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "yt-dlp, nodejs (>= 20)")
include(CPack)
