# SPDX-License-Identifier: GPL-3.0-or-later
# The layers' include rules, checked on the sources of SOURCE_DIR:
# - library/ and frontend/ are plain C++: no Qt header (<Q...>, <qcustomplot.h>),
#   and their CMake files link no Qt target;
# - cli/ includes nothing from app/: no include of it resolves to a file under app/
#   (looked up as the compiler would, in cli/, the tree's root, library/ and
#   library/include, and under app/ where none of those has it).
set(problems "")

foreach(layer library frontend)
  file(GLOB_RECURSE sources LIST_DIRECTORIES false "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.hpp"
       "${SOURCE_DIR}/${layer}/*.c" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(source IN LISTS sources)
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qcustomplot)")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
      list(APPEND problems "${name} includes Qt: ${line}")
    endforeach()
  endforeach()
  file(GLOB_RECURSE cmake_files LIST_DIRECTORIES false "${SOURCE_DIR}/${layer}/CMakeLists.txt"
       "${SOURCE_DIR}/${layer}/*.cmake")
  foreach(cmake_file IN LISTS cmake_files)
    file(STRINGS "${cmake_file}" lines REGEX "Qt[56]?::|find_package[ \t]*\\([ \t]*(Qt|QCustomPlot)|QCustomPlot")
    foreach(line IN LISTS lines)
      file(RELATIVE_PATH name "${SOURCE_DIR}" "${cmake_file}")
      list(APPEND problems "${name} uses Qt: ${line}")
    endforeach()
  endforeach()
endforeach()

file(GLOB_RECURSE cli_sources LIST_DIRECTORIES false "${SOURCE_DIR}/cli/*.h" "${SOURCE_DIR}/cli/*.cpp")
foreach(source IN LISTS cli_sources)
  file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"][^>\"]+[>\"]")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[<\"]([^>\"]+)[>\"].*" "\\1" header "${line}")
    set(found "")
    foreach(dir "${SOURCE_DIR}/cli" "${SOURCE_DIR}" "${SOURCE_DIR}/library" "${SOURCE_DIR}/library/include")
      if(NOT found AND EXISTS "${dir}/${header}")
        get_filename_component(found "${dir}/${header}" REALPATH)
      endif()
    endforeach()
    if(NOT found AND EXISTS "${SOURCE_DIR}/app/${header}")
      set(found "${SOURCE_DIR}/app/${header}")
    endif()
    get_filename_component(app "${SOURCE_DIR}/app" REALPATH)
    if(found MATCHES "^${app}/")
      file(RELATIVE_PATH name "${SOURCE_DIR}" "${source}")
      list(APPEND problems "${name} includes the desktop program's ${header}")
    endif()
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "The layers' include rules are broken:\n  ${text}")
endif()
