# Warnings and sanitizers shared by every target of the project.
add_library(blowden_options INTERFACE)
target_compile_options(blowden_options INTERFACE -Wall -Wextra -Wpedantic)
target_compile_definitions(blowden_options INTERFACE
  BLOWDEN_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  BLOWDEN_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  BLOWDEN_VERSION_PATCH=${PROJECT_VERSION_PATCH}
  BLOWDEN_VERSION_TWEAK=${PROJECT_VERSION_TWEAK})

if(BLOWDEN_SANITIZE)
  target_compile_options(blowden_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(blowden_options INTERFACE -fsanitize=address,undefined)
endif()

# blowden_add_library(name folder-sources... [QT])
# One static library per source folder; QT marks a folder that may use Qt.
function(blowden_add_library name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC blowden_options ${ARG_DEPS})
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
endfunction()

# blowden_add_test(name SOURCES ... DEPS ... [GUI])
# A GUI test links the support library whose main() creates an offscreen
# QApplication with private settings and data folders.
function(blowden_add_test name)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE blowden_options ${ARG_DEPS} GTest::gtest GTest::gmock)
  if(ARG_GUI)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_link_libraries(${name} PRIVATE blowden_testsupport_gui)
  else()
    target_link_libraries(${name} PRIVATE blowden_testsupport)
  endif()
  target_compile_definitions(${name} PRIVATE
    BLOWDEN_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    BLOWDEN_BIN_DIR="${BLOWDEN_BIN_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
