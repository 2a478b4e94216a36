# cmake --install: the programs, libraries, modules and data files stand
# together in one folder of their own, as they do in build/bin, because the
# programs find their schemas, modules and help beside themselves. The bin
# folder holds links to the programs; the desktop entries (each program's
# own, through DesktopProgram.cmake), the MIME type and the icons go where
# the desktop looks for them. Benchmarks, tests and build tools stay behind.
#
#   <prefix>/lib/corvandelle/          the programs, libCVCLIB.so, Corvan1.xml, CVC1.xml,
#                                      EXT1.DAT, GMStyle/, VTStyle/, Help/
#   <prefix>/bin/PROGRAM               links into lib/corvandelle
#   <prefix>/share/applications/PROGRAM.desktop
#   <prefix>/share/icons/hicolor/scalable/apps/PROGRAM.svg
#   <prefix>/share/mime/packages/x-guidepost.xml
include(${CMAKE_CURRENT_LIST_DIR}/DesktopProgram.cmake)

# Programs that are linked from bin/, as they come into being.
set(cv_programs corvan corvan-cli glimmora glimmora-cli vitrinel ledgerix rootgate)
foreach(program ${cv_programs})
  if(TARGET ${program})
    install(TARGETS ${program} RUNTIME DESTINATION ${CV_INSTALL_DIR})
    install(CODE "
      set(bindir \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
      file(MAKE_DIRECTORY \"\${bindir}\")
      file(RELATIVE_PATH target \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
           \"\${CMAKE_INSTALL_PREFIX}/${CV_INSTALL_DIR}/${program}\")
      message(STATUS \"Linking: \${bindir}/${program} -> \${target}\")
      file(CREATE_LINK \"\${target}\" \"\${bindir}/${program}\" SYMBOLIC)")
  endif()
endforeach()

if(TARGET CVCLIB)
  install(TARGETS CVCLIB LIBRARY DESTINATION ${CV_INSTALL_DIR})
endif()
foreach(module GMSNorm GMSSmart GMSModern)
  if(TARGET ${module})
    install(TARGETS ${module} LIBRARY DESTINATION ${CV_INSTALL_DIR}/GMStyle)
  endif()
endforeach()
foreach(module VTSNorm)
  if(TARGET ${module})
    install(TARGETS ${module} LIBRARY DESTINATION ${CV_INSTALL_DIR}/VTStyle)
  endif()
endforeach()

# Data files the programs read from beside themselves.
foreach(data Corvan1.xml CVC1.xml EXT1.DAT)
  if(EXISTS ${CV_BIN_DIR}/${data})
    install(FILES ${CV_BIN_DIR}/${data} DESTINATION ${CV_INSTALL_DIR})
  endif()
endforeach()
# The help pages stand beside the programs in the build tree too.
file(GLOB_RECURSE cv_help_pages RELATIVE ${CMAKE_SOURCE_DIR} CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/Help/*)
foreach(page ${cv_help_pages})
  configure_file(${CMAKE_SOURCE_DIR}/${page} ${CV_BIN_DIR}/${page} COPYONLY)
endforeach()
install(DIRECTORY ${CV_BIN_DIR}/Help DESTINATION ${CV_INSTALL_DIR})

# corvan's desktop entry and icon (the other programs add theirs), and the
# GuidePost type it opens.
if(TARGET corvan)
  cv_install_desktop_program(corvan)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/packaging/x-guidepost.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages)

# Refresh the desktop's caches unless staging for a package (whose own
# scripts do that on the target machine).
install(CODE "
  if(\"\$ENV{DESTDIR}\" STREQUAL \"\")
    set(share \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}\")
    find_program(CV_UPDATE_MIME update-mime-database)
    if(CV_UPDATE_MIME)
      execute_process(COMMAND \${CV_UPDATE_MIME} \"\${share}/mime\" RESULT_VARIABLE rc)
    endif()
    find_program(CV_UPDATE_DESKTOP update-desktop-database)
    if(CV_UPDATE_DESKTOP)
      execute_process(COMMAND \${CV_UPDATE_DESKTOP} \"\${share}/applications\" RESULT_VARIABLE rc)
    endif()
  endif()")
