# The header-only libraries vok uses, taken from the host's Debian packages for a cross build. Only
# their own folders are copied into the build tree, so the host's /usr/include, whose headers are
# for the host's C library, never reaches the cross compiler.
foreach(library CLI11 nlohmann_json)
  if(library STREQUAL "CLI11")
    set(folder CLI)
  else()
    set(folder nlohmann)
  endif()
  set(source /usr/include/${folder})
  if(NOT EXISTS ${source})
    message(FATAL_ERROR "${source} is missing: install libcli11-dev and nlohmann-json3-dev (scripts/install-deps.sh)")
  endif()
  set(include_dir ${CMAKE_BINARY_DIR}/host-headers/${library})
  file(COPY ${source} DESTINATION ${include_dir})
  add_library(${library}::${library} INTERFACE IMPORTED GLOBAL)
  set_target_properties(${library}::${library} PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${include_dir})
endforeach()
