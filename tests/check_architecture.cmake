# SPDX-License-Identifier: GPL-3.0-or-later
# The layers' include rules, checked on the sources of SOURCE_DIR:
# - library/ and frontend/ are plain C++: no Qt header (<Q...>, <qcustomplot.h>),
#   and their CMake files link no Qt target;
# - each module includes only the modules its row of the table below allows,
#   and its files open its namespace;
# - cli/ includes nothing from app/: no include of it resolves to a file under app/
#   (looked up as the compiler would, in cli/, the tree's root, library/ and
#   library/include, and under app/ where none of those has it);
# - app/'s headers are spelled "app/<folder>/<file>.h", each app/ folder
#   includes only the folders its row of the second table allows (shared/ and
#   binding/ no window), and no folder's CMake file compiles another's files.
# A module's headers are spelled "<module>/<file>.h" (its row's spelling);
# an include without a folder is the module's own.
cmake_minimum_required(VERSION 3.20)
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

# name | folder | spelled as | may include | its namespace (a file's first
# `namespace varnix...` is it or one inside it; the core's is `varnix` itself)
set(modules
  "platform|library/platform|platform||varnix::platform"
  "core|library/core|core|platform|varnix"
  "flight|library/flight|flight|platform core|varnix::flight"
  "analysis|library/analysis|analysis|platform flight|varnix::analysis"
  "store|library/store|store|platform flight analysis|varnix::store"
  "exports|library/exports||platform core api|"
  "api|library/include/varnix|varnix||"
  "frontend|frontend|frontend|platform core flight analysis store api|varnix::frontend"
  "render|render|render|platform flight analysis store frontend|varnix::render"
  "cli|cli||platform core flight analysis store frontend render api|varnix::cli"
  "encoder|sim/encoder|encoder||varnix::sim::encode"
  "sim|sim||encoder|varnix::sim")
set(spellings "")
foreach(row IN LISTS modules)
  string(REPLACE "|" ";" cells "${row}")
  list(GET cells 0 name)
  list(GET cells 2 spelled)
  if(spelled)
    list(APPEND spellings "${spelled}=${name}")
  endif()
endforeach()
# Most specific folder first, so that sim/encoder is not taken for sim.
list(REVERSE modules)
set(checked_modules "")
foreach(row IN LISTS modules)
  string(REPLACE "|" ";" cells "${row}")
  list(GET cells 0 name)
  list(GET cells 1 folder)
  list(LENGTH cells count)
  set(allowed "")
  list(GET cells 3 allowed)
  string(REPLACE " " ";" allowed "${allowed}")
  list(GET cells 4 namespace)
  file(GLOB_RECURSE sources LIST_DIRECTORIES false "${SOURCE_DIR}/${folder}/*.h" "${SOURCE_DIR}/${folder}/*.cpp")
  foreach(source IN LISTS sources)
    if(source IN_LIST checked_modules)
      continue()
    endif()
    list(APPEND checked_modules "${source}")
    file(STRINGS "${source}" opened REGEX "^namespace varnix[A-Za-z_:]*" LIMIT_COUNT 1)
    if(namespace AND opened)
      string(REGEX REPLACE "^namespace (varnix[A-Za-z_:]*).*" "\\1" opened "${opened}")
      string(FIND "${opened}::" "${namespace}::" at)
      if(NOT opened STREQUAL namespace AND (namespace STREQUAL "varnix" OR NOT at EQUAL 0))
        file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
        list(APPEND problems "${relative} (${name}) opens namespace ${opened}, not ${namespace}")
      endif()
    endif()
    file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+/[^\"]+\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^/\"]+)/.*" "\\1" first "${line}")
      set(target "")
      foreach(pair IN LISTS spellings)
        if(pair MATCHES "^${first}=(.*)$")
          set(target "${CMAKE_MATCH_1}")
        endif()
      endforeach()
      # A folder of the module's own ("chart/..." inside frontend) or a
      # generated header: not another module.
      if(NOT target OR target STREQUAL name)
        continue()
      endif()
      if(NOT target IN_LIST allowed)
        file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
        list(APPEND problems "${relative} (${name}) may not include ${target}: ${line}")
      endif()
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

# folder | may include (app/ folders; the program's root files may include all)
set(app_folders
  "binding|"
  "shared|binding"
  "report|"
  "flight|shared report"
  "data_folder|shared"
  "viewers|shared flight data_folder"
  "archives|shared binding flight data_folder viewers"
  "download|shared binding archives data_folder"
  "palm|shared binding data_folder download"
  "main_menu|shared data_folder select_port"
  "select_port|shared main_menu"
  "startup|shared main_menu"
  "logbook|shared flight report"
  "tools|shared flight report logbook data_folder main_menu select_port startup viewers")
file(GLOB_RECURSE app_sources LIST_DIRECTORIES false "${SOURCE_DIR}/app/*.h" "${SOURCE_DIR}/app/*.cpp")
foreach(source IN LISTS app_sources)
  file(RELATIVE_PATH relative "${SOURCE_DIR}" "${source}")
  string(REGEX MATCH "^app/([^/]+)/" in_folder "${relative}")
  set(folder "${CMAKE_MATCH_1}")
  set(allowed "")
  set(known FALSE)
  foreach(row IN LISTS app_folders)
    string(REPLACE "|" ";" cells "${row}")
    list(GET cells 0 name)
    if(name STREQUAL folder)
      set(known TRUE)
      list(LENGTH cells count)
      if(count GREATER 1)
        list(GET cells 1 allowed)
        string(REPLACE " " ";" allowed "${allowed}")
      endif()
    endif()
  endforeach()
  if(folder AND NOT known)
    list(APPEND problems "${relative}: app/${folder} has no row in the table of app/ folders")
  endif()
  file(STRINGS "${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"]+\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" header "${line}")
    if(header MATCHES "^app/([^/]+)/")
      set(target "${CMAKE_MATCH_1}")
      if(folder AND NOT target STREQUAL folder AND NOT target IN_LIST allowed)
        list(APPEND problems "${relative} (app/${folder}) may not include app/${target}: ${line}")
      endif()
    elseif(header MATCHES "^([^/]+)/" AND EXISTS "${SOURCE_DIR}/app/${header}")
      list(APPEND problems "${relative}: spell the desktop program's header app/${header}: ${line}")
    endif()
  endforeach()
endforeach()
file(GLOB app_cmake_files "${SOURCE_DIR}/app/*/CMakeLists.txt")
foreach(cmake_file IN LISTS app_cmake_files)
  file(STRINGS "${cmake_file}" lines REGEX "\\.\\./")
  foreach(line IN LISTS lines)
    file(RELATIVE_PATH relative "${SOURCE_DIR}" "${cmake_file}")
    list(APPEND problems "${relative} compiles another folder's file: ${line}")
  endforeach()
endforeach()

if(problems)
  list(JOIN problems "\n  " text)
  message(FATAL_ERROR "The layers' include rules are broken:\n  ${text}")
endif()
