# Checks the include rules between the source layers; run with -DSRC=<the src folder>.
#
#   core (every folder of src/ but app/ and ui/, without their ui/ and qt/ subfolders):
#       no Qt at all, and nothing of app/, ui/, a ui/ subfolder or platform/qt/;
#   platform/qt/: nothing of Qt's interface modules or of the interface;
#   ui/ (the interface framework): nothing of app/ or of a subsystem's ui/ subfolder;
#   <subsystem>/ui/ (a subsystem's panels): nothing of app/ or of another subsystem's ui/.
#
# Prints every offending line and fails when there is one.
if(NOT SRC)
  message(FATAL_ERROR "usage: cmake -DSRC=<src folder> -P check_layers.cmake")
endif()

file(GLOB_RECURSE files RELATIVE ${SRC} ${SRC}/*.h ${SRC}/*.cpp)
set(faults 0)
foreach(file ${files})
  string(REGEX MATCH "^[^/]+" top "${file}")
  set(kind core)
  if(top STREQUAL "app")
    set(kind app)
  elseif(top STREQUAL "ui")
    set(kind framework)
  elseif(file MATCHES "^platform/qt/")
    set(kind platform_qt)
  elseif(file MATCHES "^[^/]+/ui/")
    set(kind panels)
  endif()
  if(kind STREQUAL "app")
    continue()
  endif()

  file(STRINGS ${SRC}/${file} lines REGEX "^[ \t]*#[ \t]*include")
  foreach(line ${lines})
    string(REGEX MATCH "[<\"][^>\"]+[>\"]" target "${line}")
    string(LENGTH "${target}" length)
    math(EXPR inner "${length} - 2")
    string(SUBSTRING "${target}" 1 ${inner} path)
    set(bad "")
    if(kind STREQUAL "core")
      if(path MATCHES "^Q" OR path MATCHES "^(app|ui)/" OR path MATCHES "^[^/]+/ui/" OR
         path MATCHES "^platform/qt/")
        set(bad "a core file uses the interface or Qt")
      endif()
    elseif(kind STREQUAL "platform_qt")
      # Its library links Qt Core and D-Bus only, which already refuses the rest at build time;
      # this names the interface's headers that would most likely slip in.
      set(gui "^(QtWidgets/|QtGui/|QtUiTools/|QWidget|QApplication|QGuiApplication|QDialog)")
      set(gui "${gui}|^(QLabel|QPushButton|QMenu|QSystemTrayIcon|QPainter|QPixmap|QImage|QIcon)")
      set(gui "${gui}|^(QFont|QColor|QScreen|QWindow|QAction|QComboBox|QLineEdit)$")
      if(path MATCHES "${gui}")
        set(bad "the Qt platform layer uses the interface's part of Qt")
      elseif(path MATCHES "^(app|ui)/" OR path MATCHES "^[^/]+/ui/")
        set(bad "the Qt platform layer uses the interface")
      endif()
    elseif(kind STREQUAL "framework")
      if(path MATCHES "^app/" OR path MATCHES "^[^/]+/ui/")
        set(bad "the interface framework uses the shell or a panel")
      endif()
    elseif(kind STREQUAL "panels")
      string(REGEX MATCH "^[^/]+/ui/" own "${file}")
      if(path MATCHES "^app/" OR (path MATCHES "^[^/]+/ui/" AND NOT path MATCHES "^${own}"))
        set(bad "a panel uses the shell or another subsystem's panels")
      endif()
    endif()
    if(bad)
      message("${file}: ${bad}: ${line}")
      math(EXPR faults "${faults} + 1")
    endif()
  endforeach()
endforeach()

if(faults GREATER 0)
  message(FATAL_ERROR "${faults} include(s) break the layers")
endif()
list(LENGTH files count)
message("layers: ${count} files, every include within its layer")
