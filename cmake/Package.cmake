# The Debian package of the program (CPack DEB): `cpack -G DEB` in the build folder after the
# program is built. Destinations are relative to "/", so the rules are meant for the package. The installation is the build folder's layout under /opt/zymclient (the
# program finds language/, UI/ and image/ beside itself), a command in /usr/bin, the menu entry
# and the icon in the freedesktop folders.
if(NOT TARGET zymclient)
    return()
endif()

# `cpack` installs what is built without building every test first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(ZYM_PACKAGE_FOLDER opt/zymclient)

install(TARGETS zymclient Startover RUNTIME DESTINATION ${ZYM_PACKAGE_FOLDER})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/UI ${PROJECT_SOURCE_DIR}/language ${PROJECT_SOURCE_DIR}/image
        DESTINATION ${ZYM_PACKAGE_FOLDER})
if(ZYM_UI_CONFIG_FILE)
    install(FILES ${ZYM_UI_CONFIG_FILE} DESTINATION ${ZYM_PACKAGE_FOLDER}/UI) # with the version
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zymclient.desktop DESTINATION usr/share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/image/zymclient.png DESTINATION usr/share/icons/hicolor/256x256/apps)
# /usr/bin/zymclient: the program resolves its own folder through /proc/self/exe, so a link works.
install(CODE "
    file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/usr/bin\")
    file(CREATE_LINK /${ZYM_PACKAGE_FOLDER}/zymclient \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/usr/bin/zymclient\" SYMBOLIC)")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zymclient)
set(CPACK_PACKAGE_VENDOR "ZYM")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Desktop client for the ZYM object storage service")
set(CPACK_PACKAGE_CONTACT "ZYM Client developers <client@zymcloud.com>")
# Destinations are relative to the file system's root (opt/..., usr/...).
set(CPACK_PACKAGING_INSTALL_PREFIX /)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_STRIP_FILES ON)
# The libraries the programs link, found by dpkg-shlibdeps, and what they start at run time:
# Qt WebEngine's helper process and its resources, and the SQLite, curl and OpenSSL libraries.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6webenginecore6-bin, libqt6webenginecore6, libqt6webenginewidgets6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_OUTPUT_FILE_PREFIX ${PROJECT_BINARY_DIR}/package)
include(CPack)
