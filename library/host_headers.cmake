# SPDX-License-Identifier: MIT
# CLI11 (the command line's options) and nlohmann_json (the analyses' and the
# command line's JSON) are headers only: a cross build takes the build
# machine's copy of FOLDER, copied apart so that no other header of the build
# machine is seen, as the imported TARGET.
function(varnix_host_headers target folder header)
  find_path(host_${folder} ${folder}/${header} PATHS /usr/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
  file(COPY ${host_${folder}}/${folder} DESTINATION ${CMAKE_CURRENT_BINARY_DIR}/host-${folder})
  add_library(${target} INTERFACE IMPORTED)
  target_include_directories(${target} INTERFACE ${CMAKE_CURRENT_BINARY_DIR}/host-${folder})
endfunction()
