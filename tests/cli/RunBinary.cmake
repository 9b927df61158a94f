# Runs blowden-cli once (or, with MODE database, an install / list / delete
# sequence) and checks what it did. Variables:
#   CLI          the program
#   ARGS         its arguments, separated by "|"; %WORK% stands for WORK
#   EXPECT_CODE  the exit code
#   EXPECT_OUT   a regular expression that stdout must match
#   PYTHON       when set, stdout must be JSON that Python's json module reads
#   PNG          "path=WxH": a PNG picture of that size must have been written
#   WORK         a folder of this test's own, emptied first
#   MODE, DATA   "database" and the fixture folder

cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

# One run with the environment that blowden-cli sees here: no display, no
# QT_QPA_PLATFORM, and a private HOME and XDG_DATA_HOME.
function(run_cli out_code out_stdout out_stderr)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=QT_QPA_PLATFORM --unset=DISPLAY --unset=WAYLAND_DISPLAY
            HOME=${WORK}/home XDG_DATA_HOME=${WORK}/data
            ${CLI} ${ARGN}
    RESULT_VARIABLE code OUTPUT_VARIABLE stdout ERROR_VARIABLE stderr)
  set(${out_code} "${code}" PARENT_SCOPE)
  set(${out_stdout} "${stdout}" PARENT_SCOPE)
  set(${out_stderr} "${stderr}" PARENT_SCOPE)
endfunction()

function(check_json text)
  if(NOT PYTHON)
    return()
  endif()
  file(WRITE "${WORK}/stdout.json" "${text}")
  execute_process(
    COMMAND ${PYTHON} -c "import json, sys; json.load(open(sys.argv[1], encoding='utf-8', newline=''))"
            "${WORK}/stdout.json"
    RESULT_VARIABLE code ERROR_VARIABLE why)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "stdout is not JSON: ${why}\n${text}")
  endif()
endfunction()

function(expect_code code wanted stdout stderr)
  if(NOT "${code}" STREQUAL "${wanted}")
    message(FATAL_ERROR "exit code ${code}, expected ${wanted}\nstdout:\n${stdout}\nstderr:\n${stderr}")
  endif()
endfunction()

if(MODE STREQUAL "database")
  file(COPY "${DATA}/exact.qfn" "${DATA}/broken.qfn" DESTINATION "${WORK}/src")
  set(db "${WORK}/data/Orvane/Common Files")

  run_cli(code out err install --json "${WORK}/src/exact.qfn" "${WORK}/src/broken.qfn")
  expect_code("${code}" 1 "${out}" "${err}")
  check_json("${out}")
  if(NOT EXISTS "${db}/exact.qfn" OR EXISTS "${db}/broken.qfn")
    message(FATAL_ERROR "install copied the wrong files into ${db}")
  endif()

  run_cli(code out err list)
  expect_code("${code}" 0 "${out}" "${err}")
  if(NOT out STREQUAL "exact\t${db}/exact.qfn\n")
    message(FATAL_ERROR "list printed:\n${out}")
  endif()

  run_cli(code out err delete exact)
  expect_code("${code}" 0 "${out}" "${err}")
  if(EXISTS "${db}/exact.qfn" OR NOT EXISTS "${db}/exact._fn")
    message(FATAL_ERROR "delete did not leave exactly the backup")
  endif()

  run_cli(code out err list --json)
  expect_code("${code}" 0 "${out}" "${err}")
  check_json("${out}")
  if(NOT out STREQUAL "[]\n")
    message(FATAL_ERROR "list after delete printed:\n${out}")
  endif()
  return()
endif()

string(REPLACE "%WORK%" "${WORK}" ARGS "${ARGS}")
string(REPLACE "|" ";" args "${ARGS}")
run_cli(code out err ${args})
expect_code("${code}" "${EXPECT_CODE}" "${out}" "${err}")
if(DEFINED EXPECT_OUT AND NOT out MATCHES "${EXPECT_OUT}")
  message(FATAL_ERROR "stdout does not match '${EXPECT_OUT}':\n${out}")
endif()
check_json("${out}")

if(DEFINED PNG)
  string(REPLACE "%WORK%" "${WORK}" PNG "${PNG}")
  string(REGEX MATCH "^(.*)=([0-9]+)x([0-9]+)$" _ "${PNG}")
  set(path "${CMAKE_MATCH_1}")
  set(width "${CMAKE_MATCH_2}")
  set(height "${CMAKE_MATCH_3}")
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "no picture at ${path}\nstderr:\n${err}")
  endif()
  # Signature, the IHDR chunk's length and name, then width and height.
  file(READ "${path}" head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 0 32 magic)
  string(SUBSTRING "${head}" 32 8 wHex)
  string(SUBSTRING "${head}" 40 8 hHex)
  math(EXPR w "0x${wHex}")
  math(EXPR h "0x${hHex}")
  if(NOT magic STREQUAL "89504e470d0a1a0a0000000d49484452" OR NOT w EQUAL width OR NOT h EQUAL height)
    message(FATAL_ERROR "${path} is not a ${width}x${height} PNG picture (header ${head})")
  endif()
endif()
