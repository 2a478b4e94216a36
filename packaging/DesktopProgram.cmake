# cv_install_desktop_program(TARGET): the desktop entry and the icon of a
# program (packaging/TARGET.desktop.in, packaging/icons/TARGET.svg). The
# entry names the installed program by its full path, so it starts whether
# or not the prefix is on PATH.
#
# Installed, the programs stand with their modules and data files in one
# folder of their own, with links in bin/:
#   <prefix>/lib/corvandelle/TARGET, VTStyle/, Help/
#   <prefix>/bin/TARGET -> ../lib/corvandelle/TARGET
# The shared install rules (packaging/Install.cmake) place every program
# that way; this adds what the desktop needs.
include(GNUInstallDirs)
set(CV_INSTALL_DIR ${CMAKE_INSTALL_LIBDIR}/corvandelle)

function(cv_install_desktop_program program)
  install(CODE "
    set(CV_PROGRAM \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
    set(entry \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/applications/${program}.desktop\")
    configure_file(\"${CMAKE_SOURCE_DIR}/packaging/${program}.desktop.in\" \"\${entry}\" @ONLY)
    message(STATUS \"Installing: \${entry}\")")
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/icons/${program}.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endfunction()
