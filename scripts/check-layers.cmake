# Checks the include rules of src/ (run by every build: cmake -DSRC=<src> -DSTAMP=<file>
# -DQT_INCLUDE_ROOT=<qt headers> -P check-layers.cmake). Fails the build, naming the file,
# the line and the rule, when:
#   - an include climbs out of its folder ("..");
#   - a folder includes a folder it may not depend on:
#       core -> core only; platform -> core; app -> platform, core;
#       a feature (any other folder) -> app, platform, core and itself;
#       features (the composition root) -> anything of Pellux; trayicon -> nothing of Pellux;
#   - core includes a header of a Qt module that is not widget-free (QtGui, QtWidgets,
#     QtPrintSupport, QtDBus, QtMultimedia, QtSvg), by module path or by class name.

cmake_minimum_required(VERSION 3.20)

if(NOT SRC OR NOT STAMP)
  message(FATAL_ERROR "check-layers: SRC and STAMP must be given")
endif()

set(base_folders core platform app features tools trayicon resources)
file(GLOB entries RELATIVE ${SRC} ${SRC}/*)
set(folders "")
foreach(e ${entries})
  if(IS_DIRECTORY ${SRC}/${e})
    list(APPEND folders ${e})
  endif()
endforeach()

set(core_forbidden_modules QtGui QtWidgets QtPrintSupport QtDBus QtMultimedia QtSvg QtMultimediaWidgets)

function(allowed_for folder out)
  if(folder STREQUAL "core")
    set(r core)
  elseif(folder STREQUAL "platform")
    set(r platform core)
  elseif(folder STREQUAL "app")
    set(r app platform core)
  elseif(folder STREQUAL "features")
    set(r ${folders})
  elseif(folder STREQUAL "tools")
    set(r core)
  elseif(folder STREQUAL "trayicon")
    set(r "")
  else()
    set(r ${folder} app platform core)
  endif()
  set(${out} ${r} PARENT_SCOPE)
endfunction()

set(errors "")
foreach(folder ${folders})
  allowed_for(${folder} allowed)
  file(GLOB_RECURSE files ${SRC}/${folder}/*.h ${SRC}/${folder}/*.cpp)
  foreach(f ${files})
    file(STRINGS ${f} lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
    file(RELATIVE_PATH rel ${SRC} ${f})
    foreach(line ${lines})
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" inc "${line}")
      if(inc MATCHES "\\.\\.")
        list(APPEND errors "src/${rel}: #include \"${inc}\": includes never climb out of their folder")
        continue()
      endif()
      string(REGEX MATCH "^[^/]+" first "${inc}")
      if(inc MATCHES "/" AND first IN_LIST folders AND NOT first IN_LIST allowed)
        string(REPLACE ";" ", " allowed_text "${allowed}")
        if(allowed_text STREQUAL "")
          set(allowed_text "nothing of Pellux")
        endif()
        list(APPEND errors "src/${rel}: #include \"${inc}\": ${folder} may use only ${allowed_text}")
      endif()
      if(folder STREQUAL "core")
        foreach(m ${core_forbidden_modules})
          if(inc MATCHES "^${m}/" OR (QT_INCLUDE_ROOT AND EXISTS "${QT_INCLUDE_ROOT}/${m}/${inc}"
                                       AND NOT EXISTS "${QT_INCLUDE_ROOT}/QtCore/${inc}"))
            list(APPEND errors "src/${rel}: #include <${inc}>: core is widget-free (no ${m})")
          endif()
        endforeach()
      endif()
    endforeach()
  endforeach()
endforeach()

if(errors)
  string(REPLACE ";" "\n  " text "${errors}")
  message(FATAL_ERROR "Layer rules broken:\n  ${text}")
endif()
file(WRITE ${STAMP} "ok\n")
