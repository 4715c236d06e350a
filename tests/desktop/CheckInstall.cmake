# Installs the build into DESTDIR with a prefix of its own and checks that every file lands
# where a desktop finds it.
file(REMOVE_RECURSE ${WORK_DIR})
set(ENV{DESTDIR} ${WORK_DIR}/root)
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /opt/vistrel-check
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
set(root ${WORK_DIR}/root/opt/vistrel-check)
foreach(path bin/vistrel bin/vistrel-cli share/applications/org.vistrel.Vistrel.desktop
             share/metainfo/org.vistrel.Vistrel.metainfo.xml
             share/icons/hicolor/scalable/apps/org.vistrel.Vistrel.svg
             share/icons/hicolor/256x256/apps/org.vistrel.Vistrel.png)
  if(NOT EXISTS ${root}/${path})
    message(FATAL_ERROR "not installed: ${path}")
  endif()
endforeach()
file(REMOVE_RECURSE ${WORK_DIR})
