# Installing and packaging. `cmake --install` puts under the prefix:
#   bin/sonavia
#   lib/sonavia-plus/             the browser pane's browser program and web engine module
#   share/sonavia-plus/           Interface/radio.int, the bundled catalogue/ and site/
#   share/applications/           the launcher
#   share/icons/hicolor/<n>x<n>/apps/   the launcher's icons, drawn by the skin renderer
#   share/metainfo/               the AppStream metadata
#   share/gnome-shell/search-providers/, share/krunner/dbusplugins/, share/dbus-1/services/
#                                 the desktop's search: GNOME Shell's and KRunner's, and the bus
#                                 activation that starts the program for them
# and `cpack -G DEB` makes a Debian package of the same. The installed program keeps each user's
# start-up directory in $XDG_DATA_HOME/sonavia-plus and fills it from share/sonavia-plus
# (src/catalogue/Config.h); it finds that folder as ../share/sonavia-plus from its own, so the
# folders below are fixed rather than taken from GNUInstallDirs.

# The same names as kApplicationId and kDataFolderName in src/rules/Product.h.
set(SONAVIA_APPLICATION_ID org.sonavia.Plus)
set(SONAVIA_DATA_FOLDER sonavia-plus)
set(SONAVIA_DATA_DESTINATION share/${SONAVIA_DATA_FOLDER})

set(SONAVIA_HOMEPAGE "https://sonavia.example.org/"
    CACHE STRING "The program's home page, named by the AppStream metadata and the package")
set(SONAVIA_SCREENSHOT_URL "${SONAVIA_HOMEPAGE}docs/radio-hue0.png"
    CACHE STRING "Where the AppStream metadata's screenshot (docs/radio-hue0.png) is published")
set(SONAVIA_PROJECT_LICENSE ""
    CACHE STRING "The program's licence as an SPDX expression, for the AppStream metadata")
set(SONAVIA_PACKAGE_MAINTAINER "Sonavia Plus developers <sonavia@example.org>"
    CACHE STRING "The Debian package's maintainer: name <address>")

install(TARGETS sonavia RUNTIME DESTINATION bin)
# Beside the module (src/browser), where the program looks for both.
install(TARGETS sonavia-browser RUNTIME DESTINATION lib/${SONAVIA_DATA_FOLDER})
install(FILES ${CMAKE_BINARY_DIR}/Interface/radio.int
        DESTINATION ${SONAVIA_DATA_DESTINATION}/Interface)
install(DIRECTORY ${CMAKE_BINARY_DIR}/catalogue/ DESTINATION ${SONAVIA_DATA_DESTINATION}/catalogue)
# Page by page, so that a page no longer made is not installed from an older build.
foreach(page ${SONAVIA_SITE_FILES})
  get_filename_component(folder ${page} DIRECTORY)
  install(FILES ${SONAVIA_SITE_DIR}/${page}
          DESTINATION ${SONAVIA_DATA_DESTINATION}/site/${folder})
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/data/${SONAVIA_APPLICATION_ID}.desktop
        DESTINATION share/applications)

# The desktop's search finds stations through the running program (src/radio/SearchProviders.h),
# which the session bus starts when it is not running. The activation file names the program by
# its full path, which is known only when installing (--prefix, or the package's /usr).
install(FILES ${CMAKE_SOURCE_DIR}/data/${SONAVIA_APPLICATION_ID}.search-provider.ini
        DESTINATION share/gnome-shell/search-providers)
install(FILES ${CMAKE_SOURCE_DIR}/data/${SONAVIA_APPLICATION_ID}.krunner.desktop
        DESTINATION share/krunner/dbusplugins)
install(CODE "
  set(SONAVIA_INSTALLED_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/bin/sonavia\")
  configure_file(\"${CMAKE_SOURCE_DIR}/data/${SONAVIA_APPLICATION_ID}.service.in\"
                 \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/share/dbus-1/services/${SONAVIA_APPLICATION_ID}.service\"
                 @ONLY)")

# The launcher's icons: the window icon's drawing at each size that desktops look for.
set(SONAVIA_ICON_THEME_DIR ${CMAKE_BINARY_DIR}/icons/hicolor)
set(SONAVIA_APP_ICONS)
foreach(size 16 32 48 64 128 256)
  list(APPEND SONAVIA_APP_ICONS
       ${SONAVIA_ICON_THEME_DIR}/${size}x${size}/apps/${SONAVIA_APPLICATION_ID}.png)
endforeach()
add_custom_command(
  OUTPUT ${SONAVIA_APP_ICONS}
  COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen $<TARGET_FILE:skin-render> app-icons
          ${SONAVIA_ICON_THEME_DIR} ${SONAVIA_APPLICATION_ID}
  DEPENDS skin-render
  COMMENT "Rendering the launcher's icons"
  VERBATIM)
add_custom_target(application_icons ALL DEPENDS ${SONAVIA_APP_ICONS})
install(DIRECTORY ${SONAVIA_ICON_THEME_DIR} DESTINATION share/icons)

# The AppStream metadata, with this version's release.
if(SONAVIA_PROJECT_LICENSE)
  set(SONAVIA_PROJECT_LICENSE_ELEMENT
      "\n  <project_license>${SONAVIA_PROJECT_LICENSE}</project_license>")
else()
  set(SONAVIA_PROJECT_LICENSE_ELEMENT "")
endif()
set(SONAVIA_METAINFO ${CMAKE_BINARY_DIR}/data/${SONAVIA_APPLICATION_ID}.metainfo.xml)
configure_file(${CMAKE_SOURCE_DIR}/data/${SONAVIA_APPLICATION_ID}.metainfo.xml.in
               ${SONAVIA_METAINFO} @ONLY)
install(FILES ${SONAVIA_METAINFO} DESTINATION share/metainfo)

# The Debian package. The libraries' packages come from dpkg-shlibdeps; the GStreamer plugins
# are loaded at run time, so the ones the player needs are named here: playbin and the Ogg and
# Vorbis decoders (base), the HTTP source, MP3 and the sound servers' sinks (good), AAC (libav).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ${SONAVIA_DATA_FOLDER})
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${SONAVIA_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Internet radio player that lives in the tray")
set(CPACK_PACKAGE_DESCRIPTION
    "Pick a country and one of its stations, or let the player pick one at random, and the
station plays. The player lives in the tray with an animated icon; its one window is a skinned
window with volume, mute, a level meter and a hue slider that recolours the whole window. A
catalogue of public radio stations from many countries comes with it.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SONAVIA_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-libav")
# On a Wayland desktop the player is a native Wayland client through Qt's Wayland plugin; without
# it, it runs through XWayland where there is one. A desktop without a sound server plays through
# GStreamer's ALSA output.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, gstreamer1.0-alsa")
include(CPack)
