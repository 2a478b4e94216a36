# The Debian package (cpack -G DEB, or the target `package`): everything
# `cmake --install` lays out, installed under /usr. dpkg-shlibdeps finds the
# libraries the programs link; what they only load at run time, or run, is
# named here. The MIME database, the desktop database and the icon cache are
# refreshed by the triggers of shared-mime-info, desktop-file-utils and the
# icon theme, which watch the folders our files go to, so the package needs
# no scripts of its own.

set(CV_RELEASE_DATE "2026-12-09" CACHE STRING "Date of this version's release (YYYY-MM-DD)")
set(CV_PACKAGE_MAINTAINER "Quillmere <corvandelle@quillmere.example>")
set(CV_HOME_PAGE "https://www.quillmere.example/corvandelle/")

# What the software centres show of corvan and glimmora.
foreach(component corvan glimmora)
  if(TARGET ${component})
    configure_file(${CMAKE_CURRENT_SOURCE_DIR}/example.quillmere.${component}.metainfo.xml.in
                   ${CMAKE_CURRENT_BINARY_DIR}/example.quillmere.${component}.metainfo.xml @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/example.quillmere.${component}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
  endif()
endforeach()

# The copyright file and the change log every Debian package carries.
# Dated by the release, so the package is the same whenever it is built.
execute_process(COMMAND date -u -R -d "${CV_RELEASE_DATE} 00:00:00"
                OUTPUT_VARIABLE CV_CHANGELOG_DATE OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
configure_file(${CMAKE_CURRENT_SOURCE_DIR}/debian/changelog.in ${CMAKE_CURRENT_BINARY_DIR}/changelog @ONLY)
# Debian keeps change logs and manual pages compressed, without a time stamp
# in the header so the package is the same whenever it is built.
find_program(CV_GZIP gzip REQUIRED)
set(cv_compressed)
function(cv_compress source output)
  add_custom_command(OUTPUT ${output}
                     COMMAND ${CV_GZIP} -9n -c ${source} > ${output}
                     DEPENDS ${source})
  set(cv_compressed ${cv_compressed} ${output} PARENT_SCOPE)
endfunction()
cv_compress(${CMAKE_CURRENT_BINARY_DIR}/changelog ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz)
set(cv_docdir ${CMAKE_INSTALL_DATADIR}/doc/corvandelle)
install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/debian/copyright ${CMAKE_CURRENT_BINARY_DIR}/changelog.gz
        DESTINATION ${cv_docdir})
# A manual page for every program linked from bin/.
foreach(program ${cv_programs})
  if(TARGET ${program})
    cv_compress(${CMAKE_CURRENT_SOURCE_DIR}/man/${program}.1 ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endif()
endforeach()
file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/man)
add_custom_target(cv_compressed_docs ALL DEPENDS ${cv_compressed})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvandelle)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Quillmere)
set(CPACK_PACKAGE_CONTACT ${CV_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CV_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${CV_HOME_PAGE})
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "receive and publish sets of files described by a GuidePost")
# CPack puts the summary first and indents the rest; an empty line parts
# paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Corvandelle is a family of Japanese-language desktop programs that
distribute sets of files through a manifest called a GuidePost.

corvan (and corvan-cli in a terminal) receives what a GuidePost names
over HTTP or FTP or from a GuidePost archive, applies its update rules and
writes receive reports. glimmora (and glimmora-cli) makes a photo album of
pictures, videos and voice messages and publishes it as a GuidePost
archive; vitrinel writes an index page over every received album;
ledgerix reopens recent receives; rootgate opens the save folder.")

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded or started at run time, so dpkg-shlibdeps cannot see them:
# the desktop's opener and mailer, the MIME and desktop databases that make
# a GuidePost open in corvan, the platform and SVG icon plugins, Qt's
# Japanese catalogues, and the GStreamer elements Qt Multimedia plays
# videos and sound through.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "xdg-utils, shared-mime-info, desktop-file-utils, hicolor-icon-theme, qt6-qpa-plugins, libqt6svg6, qt6-translations-l10n, gstreamer1.0-plugins-base, gstreamer1.0-plugins-good")
# Decoders for more video formats, and a font for the Japanese texts.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "gstreamer1.0-libav, fonts-noto-cjk | fonts-ipafont-gothic")

include(CPack)
