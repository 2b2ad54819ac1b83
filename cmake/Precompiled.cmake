# Precompiled headers. Most of a translation unit's compile time here is spent parsing Qt's and
# GoogleTest's headers again; compiling them once per target roughly halves a full build, which is
# what the test command's three builds spend most of their time on. TBN_PCH=OFF builds without them
# (to check that every file includes what it uses).
option(TBN_PCH "Precompile the toolkit's and the standard library's headers" ON)

set(TBN_PCH_STD <algorithm> <cstdint> <functional> <memory> <optional> <string> <string_view> <vector>)
set(TBN_PCH_CORE ${TBN_PCH_STD} <QByteArray> <QDir> <QFile> <QFileInfo> <QObject> <QString>)
set(TBN_PCH_WIDGETS ${TBN_PCH_CORE} <QApplication> <QDialog> <QHeaderView> <QLineEdit> <QListWidget>
    <QMdiArea> <QMdiSubWindow> <QMenu> <QPlainTextEdit> <QPushButton> <QTableView> <QTimer>
    <QTreeWidget> <QWidget>)

# tbn_precompile(<target> CORE|WIDGETS [TESTS])
function(tbn_precompile target kind)
  if(NOT TBN_PCH)
    return()
  endif()
  set(headers ${TBN_PCH_${kind}})
  if("TESTS" IN_LIST ARGN)
    list(APPEND headers <gtest/gtest.h>)
    if(kind STREQUAL "WIDGETS")
      list(APPEND headers <QTest>)
    endif()
  endif()
  target_precompile_headers(${target} PRIVATE ${headers})
endfunction()
