# cmake -DWORK=<scratch folder> -P CheckLayersSelfTest.cmake
# The layer check itself: a small tree in which each kind of bad include
# appears once beside good ones, and the lines the check must report.
include(${CMAKE_CURRENT_LIST_DIR}/LayerRules.cmake)
file(REMOVE_RECURSE ${WORK})
set(src ${WORK}/src)
set(widgets ${WORK}/QtWidgets)
file(WRITE ${widgets}/QWidget "")
file(WRITE ${widgets}/QApplication "")

# file | its text
set(cases
  "base/Ok.h|#include <string>\n"
  "numeric/Ok.cpp|#include \"numeric/Ok.h\"\n#include \"base/Ok.h\"\n"
  "fan/Up.cpp|#include \"services/Folders.h\"\n"
  "fan/Ok.cpp|#include \"units/QmConv.h\"\n"
  "units/Up.cpp|#include \"fan/QmFan.h\"\n"
  "numeric/Up.h|#include \"units/QmConv.h\"\n"
  "units/Qt.cpp|#include <QString>\n"
  "base/Spelling.cpp|#include \"Format.h\"\n"
  "services/Ok.cpp|#include \"fan/QmFan.h\"\n#include \"units/QmConv.h\"\n"
  "charts/Widgets.cpp|#include <QGuiApplication>\n#include <QWidget>\n"
  "charts/UpToWidgets.h|#include \"charts/widgets/QmChartPanel.h\"\n"
  "charts/widgets/Ok.cpp|#include <QWidget>\n#include \"charts/ChartPicture.h\"\n"
  "charts/widgets/Sideways.cpp|#include \"units/widgets/QmFmtEdit.h\"\n"
  "units/widgets/Ok.cpp|#include \"units/widgets/QmFmtEdit.h\"\n#include \"units/QmConv.h\"\n"
  "selector/Up.cpp|#include \"app/Main.h\"\n"
  "app/Ok.cpp|#include \"selector/QmFanForm.h\"\n#include \"charts/widgets/QmGraphPanel.h\"\n"
  "cli/Ok.cpp|#include \"charts/SelectorChartView.h\"\n#include <QtGui/QImage>\n  #  include \"services/Database.h\"\n"
  "cli/Widgets.cpp|#include \"charts/widgets/QmChartPanel.h\"\n#include <QtWidgets/QLabel>\n"
  "plugins/New.cpp|#include \"base/Format.h\"\n")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 file)
  list(GET parts 1 text)
  string(REPLACE "\\n" "\n" text "${text}")
  file(WRITE ${src}/${file} "${text}")
endforeach()

set(expected
  "base/Spelling.cpp: \"Format.h\" is not spelled folder/Header.h of a layer folder"
  "charts/UpToWidgets.h: charts may not include charts/widgets (\"charts/widgets/QmChartPanel.h\")"
  "charts/Widgets.cpp: charts may use QtGui only, not QtWidgets (<QWidget>)"
  "charts/widgets/Sideways.cpp: charts/widgets may not include units/widgets (\"units/widgets/QmFmtEdit.h\")"
  "cli/Widgets.cpp: cli may not include charts/widgets (\"charts/widgets/QmChartPanel.h\")"
  "cli/Widgets.cpp: cli may use QtGui only, not QtWidgets (<QtWidgets/QLabel>)"
  "fan/Up.cpp: fan may not include services (\"services/Folders.h\")"
  "numeric/Up.h: numeric may not include units (\"units/QmConv.h\")"
  "plugins/New.cpp: its folder is not in the layer table"
  "selector/Up.cpp: selector may not include app (\"app/Main.h\")"
  "units/Qt.cpp: the core includes Qt (<QString>)"
  "units/Up.cpp: units may not include fan (\"fan/QmFan.h\")")

blowden_check_layers(${src} ${widgets} problems)
list(SORT problems)
if(NOT problems STREQUAL expected)
  list(JOIN problems "\n  " got)
  list(JOIN expected "\n  " want)
  message(FATAL_ERROR "the layer check reported:\n  ${got}\nexpected:\n  ${want}")
endif()
list(LENGTH expected n)
message(STATUS "the layer check finds all ${n} planted faults and nothing else")
