# What a target links that the target graph (cmake --graphviz) leaves out:
# its link options and flags, and the file an imported library stands for.
# Every CMakeLists.txt calls kestrove_link_facts() at its top; at the end of
# its folder the facts of the folder's targets go to
# architecture/links/<folder>.dot in the graph's own form
# ("// target -> item"), which scripts/check-architecture reads with the
# graph. An imported target is seen only in its own folder, hence one file
# per folder; the top folder lists every folder, so one that forgets is told.
set(KESTROVE_LINK_FACTS ${CMAKE_BINARY_DIR}/architecture/links)

function(kestrove_link_facts)
  if(CMAKE_CURRENT_SOURCE_DIR STREQUAL CMAKE_SOURCE_DIR)
    # Facts of a folder no longer configured must not stand in for it.
    file(REMOVE_RECURSE ${KESTROVE_LINK_FACTS})
    # The check reads each target's sources from the File API; a query
    # written now is answered from the next configure on.
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/.cmake/api/v1/query/client-kestrove)
    file(TOUCH ${CMAKE_BINARY_DIR}/.cmake/api/v1/query/client-kestrove/codemodel-v2
               ${CMAKE_BINARY_DIR}/.cmake/api/v1/query/client-kestrove/cmakeFiles-v1)
    cmake_language(DEFER CALL _kestrove_link_folders)
  endif()
  cmake_language(DEFER CALL _kestrove_write_link_facts)
endfunction()

function(_kestrove_link_facts_id dir out)
  file(RELATIVE_PATH rel ${CMAKE_SOURCE_DIR} ${dir})
  string(MAKE_C_IDENTIFIER "top/${rel}" id)
  set(${out} ${id} PARENT_SCOPE)
  set(${out}_folder ${rel} PARENT_SCOPE)
endfunction()

function(_kestrove_link_folders)
  set(folders ${CMAKE_SOURCE_DIR})
  set(lines "")
  while(folders)
    list(POP_FRONT folders dir)
    _kestrove_link_facts_id(${dir} id)
    string(APPEND lines "${id} ${id_folder}\n")
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    list(APPEND folders ${subdirs})
  endwhile()
  file(WRITE ${KESTROVE_LINK_FACTS}/folders.txt "${lines}")
endfunction()

function(_kestrove_write_link_facts)
  get_property(targets DIRECTORY PROPERTY BUILDSYSTEM_TARGETS)
  get_property(imported DIRECTORY PROPERTY IMPORTED_TARGETS)
  string(TOUPPER "${CMAKE_BUILD_TYPE}" config)
  set(facts "")
  foreach(target IN LISTS targets imported)
    set(properties LINK_OPTIONS INTERFACE_LINK_OPTIONS IMPORTED_LOCATION IMPORTED_IMPLIB IMPORTED_LIBNAME)
    get_target_property(configs ${target} IMPORTED_CONFIGURATIONS)
    foreach(c IN LISTS configs config)
      if(c)
        list(APPEND properties IMPORTED_LOCATION_${c} IMPORTED_IMPLIB_${c} IMPORTED_LIBNAME_${c})
      endif()
    endforeach()
    set(items)
    foreach(property IN LISTS properties)
      get_target_property(value ${target} ${property})
      if(value)
        list(APPEND items ${value})
      endif()
    endforeach()
    foreach(property LINK_FLAGS LINK_FLAGS_${config})
      get_target_property(value ${target} ${property})
      if(value)
        separate_arguments(value UNIX_COMMAND "${value}")
        list(APPEND items ${value})
      endif()
    endforeach()
    list(REMOVE_DUPLICATES items)
    foreach(item IN LISTS items)
      string(APPEND facts "    // ${target} -> ${item}\n")
    endforeach()
  endforeach()
  _kestrove_link_facts_id(${CMAKE_CURRENT_SOURCE_DIR} id)
  file(WRITE ${KESTROVE_LINK_FACTS}/${id}.dot "${facts}")
endfunction()
