cmake_minimum_required(VERSION 3.25)
# cmake -DSOURCE_DIR=<repo> -DQT_INCLUDE_DIRS=<Qt include dirs> -P CoreFolders.cmake
# Fails when a core folder includes a Qt Widgets or Qt GUI header, the run-time
# library or the application, or names a widget class: window code belongs
# under src/app/gui/.
set(core_dirs core platform storage langfile resources repository exchange)

# Every class header of Qt GUI and Qt Widgets (QWidget, QPainter, ...), taken
# from the installed Qt so that none is missed.
set(gui_headers)
foreach(inc ${QT_INCLUDE_DIRS})
  foreach(module QtWidgets QtGui)
    if(IS_DIRECTORY ${inc}/${module})
      file(GLOB names RELATIVE ${inc}/${module} ${inc}/${module}/Q*)
      list(APPEND gui_headers ${names})
    endif()
  endforeach()
endforeach()
list(REMOVE_DUPLICATES gui_headers)

set(faults)
foreach(dir ${core_dirs})
  file(GLOB_RECURSE files ${SOURCE_DIR}/src/${dir}/*.h ${SOURCE_DIR}/src/${dir}/*.cpp)
  foreach(f ${files})
    file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
    file(STRINGS ${f} lines REGEX "#[ \t]*include|QWidget|QDialog")
    foreach(line ${lines})
      set(bad FALSE)
      if(line MATCHES "#[ \t]*include[ \t]*[<\"](app|runtime)/"
         OR line MATCHES "#[ \t]*include[ \t]*<Qt(Widgets|Gui)[/>]"
         OR line MATCHES "QWidget|QDialog")
        set(bad TRUE)
      elseif(line MATCHES "#[ \t]*include[ \t]*<([A-Za-z0-9_]+)>")
        list(FIND gui_headers "${CMAKE_MATCH_1}" at)
        if(at GREATER -1)
          set(bad TRUE)
        endif()
      endif()
      if(bad)
        string(STRIP "${line}" line)
        list(APPEND faults "${rel}: ${line}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Window code in a core folder (move it under src/app/gui/):\n  ${text}")
endif()
list(LENGTH gui_headers n)
if(n EQUAL 0)
  message(FATAL_ERROR "No Qt GUI headers found under: ${QT_INCLUDE_DIRS}")
endif()
message(STATUS "Core folders clean (${n} Qt GUI and Widgets headers checked)")
