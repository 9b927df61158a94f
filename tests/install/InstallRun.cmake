# cmake -DBUILD_DIR=... -DWORK_DIR=... -P InstallRun.cmake
file(REMOVE_RECURSE ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)
file(MAKE_DIRECTORY ${WORK_DIR}/home ${WORK_DIR}/runtime ${WORK_DIR}/elsewhere)
file(CHMOD ${WORK_DIR}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix}
  RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()

foreach(f bin/blowden bin/blowden-cli share/blowden/normalbmp.bmp share/blowden/Help/Blowden.htm
          share/blowden/samples/orvane-bc-centrifugal.qfn share/applications/com.orvane.blowden.desktop
          share/mime/packages/blowden-qfn.xml share/metainfo/com.orvane.blowden.metainfo.xml
          share/man/man1/blowden-cli.1 share/icons/hicolor/scalable/apps/com.orvane.blowden.svg)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()

set(env ${CMAKE_COMMAND} -E env HOME=${WORK_DIR}/home XDG_CONFIG_HOME=${WORK_DIR}/home/config
  XDG_DATA_HOME=${WORK_DIR}/home/data XDG_RUNTIME_DIR=${WORK_DIR}/runtime QT_QPA_PLATFORM=offscreen)

execute_process(COMMAND ${env} ${prefix}/bin/blowden-cli show ${prefix}/share/blowden/samples/orvane-bc-centrifugal.qfn
  WORKING_DIRECTORY ${WORK_DIR}/elsewhere RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "Ps = ")
  message(FATAL_ERROR "installed blowden-cli show failed (${rc}):\n${out}\n${err}")
endif()

execute_process(COMMAND ${env} ${prefix}/bin/blowden-cli --version
  WORKING_DIRECTORY ${WORK_DIR}/elsewhere RESULT_VARIABLE rc OUTPUT_VARIABLE version)
if(NOT rc EQUAL 0 OR NOT version MATCHES "^blowden-cli [0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+")
  message(FATAL_ERROR "installed blowden-cli --version: ${version}")
endif()

# BLOWDEN_STARTUP_CHECK makes the program report what it found once its main
# window is shown, and quit.
execute_process(COMMAND ${env} BLOWDEN_STARTUP_CHECK=1 ${prefix}/bin/blowden
  WORKING_DIRECTORY ${WORK_DIR}/elsewhere RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err
  TIMEOUT 60)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "installed blowden did not start (${rc}):\n${out}\n${err}")
endif()
foreach(expected "window: Blowden [0-9.]+" "markers: 3 of 3 from ${prefix}/share/blowden/"
                 "help: ${prefix}/share/blowden/Help/Blowden.htm" "samples: ${prefix}/share/blowden/samples/")
  if(NOT out MATCHES "${expected}")
    message(FATAL_ERROR "installed blowden: expected '${expected}' in:\n${out}\n${err}")
  endif()
endforeach()
message(STATUS "installed programs run from ${prefix}")
