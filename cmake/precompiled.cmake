# Precompiled headers: the Qt and standard headers most files include, parsed once per build
# instead of once per file. Each set is compiled once, in a target of its own, and reused by every
# target of its kind. The compiler takes a precompiled header only where the Qt modules' macros
# (QT_WIDGETS_LIB, ...) are those it was made with, so the kinds follow the modules a target
# links: QtCore alone for the layers that must not see a widget, the widgets', the widgets' with
# printing, and for the tests the last with the whole of QtCore (what <QtTest> pulls in; QtTest's
# own headers cannot be shared, as they read each test folder's QT_TESTCASE_BUILDDIR).
# ROSTERLY_PCH=OFF builds without them: each file must still include what it uses, as a file
# compiled with the headers at hand would compile without them too.
option(ROSTERLY_PCH "Precompile the Qt headers" ON)

include(${CMAKE_CURRENT_LIST_DIR}/pch-headers.cmake)
set(rosterly_pch_widgets ${rosterly_pch_core}
    <QAction> <QApplication> <QCheckBox> <QDialog> <QGroupBox> <QLabel> <QLineEdit> <QMenu>
    <QPainter> <QPlainTextEdit> <QPointer> <QPushButton> <QRadioButton> <QScreen> <QTimer>
    <QWidget>)
set(rosterly_pch_print ${rosterly_pch_widgets} <QPrinter>)
set(rosterly_pch_tests ${rosterly_pch_print} <QtCore/QtCore>)

set(rosterly_pch_holder ${CMAKE_BINARY_DIR}/generated/pch_holder.cpp)
file(WRITE ${rosterly_pch_holder} "// Holds a precompiled header for the targets that reuse it.\n")
foreach(kind core widgets print tests)
  add_library(rosterly_pch_${kind} STATIC ${rosterly_pch_holder})
  set_target_properties(rosterly_pch_${kind} PROPERTIES AUTOMOC OFF)
  if(ROSTERLY_PCH)
    target_precompile_headers(rosterly_pch_${kind} PRIVATE ${rosterly_pch_${kind}})
  endif()
endforeach()
target_link_libraries(rosterly_pch_core PRIVATE Qt6::Core)
target_link_libraries(rosterly_pch_widgets PRIVATE Qt6::Widgets)
target_link_libraries(rosterly_pch_print PRIVATE Qt6::Widgets Qt6::PrintSupport)
target_link_libraries(rosterly_pch_tests PRIVATE Qt6::Widgets Qt6::PrintSupport)

# rosterly_precompile(KIND TARGETS...): the targets reuse the precompiled headers of KIND.
function(rosterly_precompile kind)
  if(ROSTERLY_PCH)
    foreach(target ${ARGN})
      target_precompile_headers(${target} REUSE_FROM rosterly_pch_${kind})
    endforeach()
  endif()
endfunction()
