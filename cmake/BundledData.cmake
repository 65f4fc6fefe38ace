# The station catalogue and the site pages that come with the program. They are built into the
# build folder, beside the program's start-up directory, where it reads them when no variable
# points it elsewhere: catalogue/ (made from catalogue/stations.tsv by radiocat) and site/.

set(SONAVIA_VERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})

set(bundled_catalogue_dir ${CMAKE_BINARY_DIR}/catalogue)
set(bundled_catalogue_file ${bundled_catalogue_dir}/Sonavia/channelsplus/channels.rd)
add_custom_command(
  OUTPUT ${bundled_catalogue_file}
  COMMAND radiocat build ${CMAKE_SOURCE_DIR}/catalogue/stations.tsv ${bundled_catalogue_dir}
  DEPENDS radiocat ${CMAKE_SOURCE_DIR}/catalogue/stations.tsv
  COMMENT "Building the bundled station catalogue"
  VERBATIM)
add_custom_target(bundled_catalogue DEPENDS ${bundled_catalogue_file})

# The link pages (plain HTML whatever their names) and the version file publishing this version;
# SONAVIA_SITE_FILES lists them below SONAVIA_SITE_DIR for the install.
set(SONAVIA_SITE_DIR ${CMAKE_BINARY_DIR}/site)
set(SONAVIA_SITE_FILES)
foreach(page index.php support.php download.php color.php watchtv.php skins.php channels.php
             store.php style.css)
  configure_file(${CMAKE_SOURCE_DIR}/site/sonavia/${page} ${SONAVIA_SITE_DIR}/sonavia/${page} @ONLY)
  list(APPEND SONAVIA_SITE_FILES sonavia/${page})
endforeach()
# Ended by carriage return and line feed, as version readers that drop the character before the
# line feed expect.
file(CONFIGURE OUTPUT ${SONAVIA_SITE_DIR}/sonavia/channelsplus/versionplus.txt
     CONTENT "@SONAVIA_VERSION@\n" @ONLY NEWLINE_STYLE CRLF)
list(APPEND SONAVIA_SITE_FILES sonavia/channelsplus/versionplus.txt)
