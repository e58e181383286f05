# What `cmake --install` puts where (GNU layout under CMAKE_INSTALL_PREFIX), and the Debian
# package `cpack -G DEB` makes of it.
include(GNUInstallDirs)

set(QUILLET_APP_ID io.github.quillet.Quillet)
set(resources ${PROJECT_SOURCE_DIR}/resources)

install(TARGETS quillet-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${resources}/man/quillet-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

if(TARGET quillet)
    install(TARGETS quillet RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    install(TARGETS quillet-player LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/quillet)
    install(FILES ${resources}/man/quillet.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${resources}/desktop/${QUILLET_APP_ID}.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    configure_file(${resources}/metainfo/${QUILLET_APP_ID}.metainfo.xml.in
                   ${PROJECT_BINARY_DIR}/${QUILLET_APP_ID}.metainfo.xml @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/${QUILLET_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
    install(FILES ${resources}/icons/${QUILLET_APP_ID}.svg DESTINATION ${icons}/scalable/apps)
    foreach(size 48 128 256)
        install(FILES ${resources}/icons/${QUILLET_APP_ID}-${size}.png
                DESTINATION ${icons}/${size}x${size}/apps RENAME ${QUILLET_APP_ID}.png)
    endforeach()
endif()

set(CPACK_PACKAGE_NAME quillet)
set(CPACK_PACKAGE_VENDOR "The Quillet developers")
set(CPACK_PACKAGE_CONTACT "The Quillet developers <quillet@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Music client: search, preview and download songs")
set(CPACK_PACKAGE_DESCRIPTION "A desktop music client with a Chinese interface that \
searches a music service, previews songs in a small player window and downloads them; \
quillet-cli runs the same commands without a display.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)  # the debug information stays in the build
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Found at run time, not through linking: the player's HTTP source and MP3 decoder, and
# libcurl, which the programs load on their first transfer (runtime/curl_on_demand.cpp).
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, libcurl4 (>= 7.88)")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei, qt6-translations-l10n")
set(CPACK_GENERATOR DEB)
include(CPack)
