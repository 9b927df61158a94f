# The layer table of the design, and the check of a source tree against it.
# Included by CheckLayers.cmake (the real tree) and CheckLayersSelfTest.cmake.
#
#   core:      base < numeric < units (catalogue) < fan         no Qt at all
#              (the fan model converts units when it reads tables; the
#              catalogue knows nothing of fans)
#   services:  over the core
#   charts (the drawing, QtGui only), units/widgets, charts/widgets: over services
#   report (the datasheet, QtGui only): over the chart drawing
#   selector, app (which opens the selector): on top
#   cli:       over the core, services, the chart drawing and the report    QtGui only
#
# A folder may include its own headers and those of the folders it lists;
# anything else goes up or sideways. Tests, benchmarks and fuzz targets are not
# layers and may include anything.
cmake_minimum_required(VERSION 3.25)

set(BLOWDEN_CORE base numeric units fan)
set(BLOWDEN_LAYER_base base)
set(BLOWDEN_LAYER_numeric numeric base)
set(BLOWDEN_LAYER_units units numeric base)
set(BLOWDEN_LAYER_fan fan units numeric base)
set(BLOWDEN_LAYER_services services ${BLOWDEN_CORE})
set(BLOWDEN_LAYER_charts charts services ${BLOWDEN_CORE})
set(BLOWDEN_LAYER_charts/widgets charts/widgets charts services ${BLOWDEN_CORE})
set(BLOWDEN_LAYER_units/widgets units/widgets services ${BLOWDEN_CORE})
set(BLOWDEN_LAYER_report report charts services ${BLOWDEN_CORE})
set(BLOWDEN_LAYER_selector selector report charts/widgets charts units/widgets services ${BLOWDEN_CORE})
set(BLOWDEN_LAYER_app app selector report charts/widgets charts units/widgets services ${BLOWDEN_CORE})
set(BLOWDEN_LAYER_cli cli report charts services ${BLOWDEN_CORE})
set(BLOWDEN_LAYERS base numeric units fan services charts charts/widgets units/widgets report selector app cli)

# How much of Qt a folder may include: none, gui (no QtWidgets header) or all.
foreach(folder ${BLOWDEN_CORE})
  set(BLOWDEN_QT_${folder} none)
endforeach()
set(BLOWDEN_QT_charts gui)
set(BLOWDEN_QT_report gui)
set(BLOWDEN_QT_cli gui)

# The layer folder of a path relative to src/ ("units/widgets/QmFmtEdit.h" ->
# "units/widgets"): the longest folder of the table that holds it, or empty.
function(blowden_layer_of path out)
  set(best "")
  foreach(layer IN LISTS BLOWDEN_LAYERS)
    string(LENGTH "${layer}" n)
    string(LENGTH "${best}" bestn)
    string(FIND "${path}" "${layer}/" at)
    if(at EQUAL 0 AND n GREATER bestn)
      set(best ${layer})
    endif()
  endforeach()
  set(${out} "${best}" PARENT_SCOPE)
endfunction()

# blowden_check_layers(SRC WIDGETS_INCLUDE OUT)
# Reads every .h and .cpp under SRC and sets OUT to one line per include that
# breaks the table: "file: reason". WIDGETS_INCLUDE is the QtWidgets header
# folder (empty: the QtWidgets rule is not checked).
function(blowden_check_layers src widgets out)
  set(problems "")
  file(GLOB_RECURSE files RELATIVE ${src} ${src}/*.h ${src}/*.cpp)
  list(SORT files)
  foreach(file IN LISTS files)
    blowden_layer_of("${file}" layer)
    if(layer STREQUAL "")
      list(APPEND problems "${file}: its folder is not in the layer table")
      continue()
    endif()
    set(qt ${BLOWDEN_QT_${layer}})
    file(STRINGS ${src}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<]")
    foreach(line IN LISTS lines)
      if(line MATCHES "#[ \t]*include[ \t]*\"([^\"]*)\"")
        set(header "${CMAKE_MATCH_1}")
        get_filename_component(dir "${header}" DIRECTORY)
        if(NOT dir IN_LIST BLOWDEN_LAYERS)
          list(APPEND problems "${file}: \"${header}\" is not spelled folder/Header.h of a layer folder")
        elseif(NOT dir IN_LIST BLOWDEN_LAYER_${layer})
          list(APPEND problems "${file}: ${layer} may not include ${dir} (\"${header}\")")
        endif()
      elseif(line MATCHES "#[ \t]*include[ \t]*<(Q[A-Za-z0-9_/]*)>")
        set(header "${CMAKE_MATCH_1}")
        if(qt STREQUAL "none")
          list(APPEND problems "${file}: the core includes Qt (<${header}>)")
        elseif(qt STREQUAL "gui" AND NOT widgets STREQUAL "")
          get_filename_component(name "${header}" NAME)
          if(header MATCHES "^QtWidgets/" OR EXISTS ${widgets}/${name})
            list(APPEND problems "${file}: ${layer} may use QtGui only, not QtWidgets (<${header}>)")
          endif()
        endif()
      endif()
    endforeach()
  endforeach()
  set(${out} "${problems}" PARENT_SCOPE)
endfunction()
