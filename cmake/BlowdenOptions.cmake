# Warnings and sanitizers shared by every target of the project.
option(BLOWDEN_WERROR "Treat compiler warnings as errors (CI builds with it)" OFF)
option(BLOWDEN_PCH "Precompile the large library headers (GoogleTest, Qt, the standard library) per target" ON)

# The core (no Qt) is held to stricter warnings: a local that hides another
# name, a cast that says nothing about what it does and a conversion that may
# lose a value unnoticed are where numeric code goes quietly wrong. Applied to
# the core libraries' own sources only.
set(BLOWDEN_CORE_WARNINGS -Wshadow -Wold-style-cast -Wconversion)

# What almost every source includes, parsed once per target instead of once
# per file. Only system headers: a precompiled header of project headers
# would rebuild a whole target at every edit of one of them.
set(BLOWDEN_PCH_STD <algorithm> <cmath> <cstdint> <filesystem> <functional> <map> <memory>
  <optional> <string> <string_view> <vector>)
set(BLOWDEN_PCH_QTGUI <QString> <QStringList> <QFile> <QFileInfo> <QImage> <QPainter> <QFont>)
set(BLOWDEN_PCH_QTWIDGETS <QApplication> <QWidget> <QLabel> <QPushButton> <QComboBox>
  <QLineEdit> <QPlainTextEdit> <QVBoxLayout> <QHBoxLayout> <QKeyEvent> <QMouseEvent>)
set(BLOWDEN_PCH_TEST <gtest/gtest.h> <gmock/gmock.h> <fstream> <sstream>)
# GCC 12 reports -Warray-bounds and -Wstringop-overflow from inside libstdc++'s
# std::string copy when a string is built from a short one at -O2 (the same
# false positive as the -Wrestrict one below, GCC bug 105329), and does so in
# code that includes the standard headers through a precompiled header, where
# it no longer treats them as system headers. Silenced there, for GCC before
# 13 only.
set(BLOWDEN_PCH_OPTIONS)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  set(BLOWDEN_PCH_OPTIONS -Wno-array-bounds -Wno-stringop-overflow)
endif()

add_library(blowden_options INTERFACE)
target_compile_options(blowden_options INTERFACE -Wall -Wextra -Wpedantic)
if(BLOWDEN_WERROR)
  target_compile_options(blowden_options INTERFACE -Werror)
endif()
# GCC 12 reports -Wrestrict from inside libstdc++'s std::string code when
# short literals are concatenated or assigned (a + "x" + b) at -O2 and above:
# a false positive, GCC bug 105329, gone in GCC 13. Silenced for the
# compilers before 13 only, so that newer ones still check.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  target_compile_options(blowden_options INTERFACE -Wno-restrict)
endif()
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

# Where the libraries publish their headers: <build>/include/<library>/.
set(BLOWDEN_INCLUDE_ROOTS ${CMAKE_BINARY_DIR}/include)

# blowden_publish_headers(name)
# The layers are checked by the include path, not only intended. A library
# publishes only its own headers, as links in <build>/include/<name>/<folder>/
# (for src/fan: include/blowden_fan/fan/QmFan.h -> src/fan/QmFan.h), and that
# root is its only public include folder. So "fan/QmFan.h" is found only by
# targets that link blowden_fan, directly or through a library that declares
# it; an undeclared dependency fails to compile.
#
# Which headers of the folder are the library's own: X.h when X.cpp is one of
# its sources (or X.h is listed itself), and every header that has no .cpp
# beside it. That keeps apart two libraries that share a folder (services and
# its Qt side) and leaves a sub-folder's headers (units/widgets) to the library
# there. The folder is globbed with CONFIGURE_DEPENDS, so a header added later
# is published at the next build by itself.
function(blowden_publish_headers name)
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
  set(root ${BLOWDEN_INCLUDE_ROOTS}/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/${folder})
  file(GLOB headers CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  get_target_property(sources ${name} SOURCES)
  foreach(header IN LISTS headers)
    string(REGEX REPLACE "\\.h$" ".cpp" source ${header})
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${source} AND NOT source IN_LIST sources
       AND NOT header IN_LIST sources)
      continue()
    endif()
    file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${root}/${folder}/${header} SYMBOLIC)
  endforeach()
  target_include_directories(${name} PUBLIC ${root})
endfunction()

# blowden_add_library(name [QT] [CORE | GUI | WIDGETS] SOURCES folder-sources... DEPS libraries...)
# One static library per source folder; QT marks a folder that has Qt
# objects (moc). CORE marks a folder of the core (no Qt: the stricter
# warnings); GUI and WIDGETS one that uses QtGui or Qt Widgets (the
# precompiled Qt headers). DEPS are every library whose headers this one
# includes: nothing else is on its include path.
function(blowden_add_library name)
  cmake_parse_arguments(ARG "QT;CORE;GUI;WIDGETS" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_link_libraries(${name} PUBLIC blowden_options ${ARG_DEPS})
  blowden_publish_headers(${name})
  if(ARG_QT)
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
  endif()
  if(ARG_CORE)
    target_compile_options(${name} PRIVATE ${BLOWDEN_CORE_WARNINGS})
  endif()
  if(BLOWDEN_PCH AND (ARG_GUI OR ARG_WIDGETS))
    set(pch ${BLOWDEN_PCH_STD} ${BLOWDEN_PCH_QTGUI})
    if(ARG_WIDGETS)
      list(APPEND pch ${BLOWDEN_PCH_QTWIDGETS})
    endif()
    target_precompile_headers(${name} PRIVATE ${pch})
    target_compile_options(${name} PRIVATE ${BLOWDEN_PCH_OPTIONS})
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
  if(BLOWDEN_PCH)
    set(pch ${BLOWDEN_PCH_STD} ${BLOWDEN_PCH_TEST})
    if(ARG_GUI)
      list(APPEND pch ${BLOWDEN_PCH_QTGUI})
    endif()
    target_precompile_headers(${name} PRIVATE ${pch})
    target_compile_options(${name} PRIVATE ${BLOWDEN_PCH_OPTIONS})
  endif()
  # NO_PRETTY_VALUES: a parameterised test is named by its instantiation's
  # name generator, never by its parameter's printed bytes (which hold heap
  # addresses and change between runs).
  gtest_discover_tests(${name}
    NO_PRETTY_VALUES
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1")
endfunction()
