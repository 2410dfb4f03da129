# Every DLL and program carries a version resource; programs also carry a
# manifest asking for common controls 6, so the windows the library opens in
# them get the current control look.
set(_stamp_dir ${CMAKE_CURRENT_LIST_DIR}/../resources/stamp)

function(_pelmo_collect_targets dir out)
  get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
  get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
  foreach(sub ${subdirs})
    _pelmo_collect_targets(${sub} more)
    list(APPEND targets ${more})
  endforeach()
  set(${out} ${targets} PARENT_SCOPE)
endfunction()

function(pelmo_stamp_binaries)
  _pelmo_collect_targets(${PROJECT_SOURCE_DIR} targets)
  foreach(target ${targets})
    get_target_property(type ${target} TYPE)
    get_target_property(imported ${target} IMPORTED)
    if(imported OR NOT (type STREQUAL "SHARED_LIBRARY" OR type STREQUAL "EXECUTABLE"))
      continue()
    endif()
    set(PELMO_FILE_NAME ${target}.dll)
    set(PELMO_FILE_TYPE 2)  # VFT_DLL
    set(PELMO_MANIFEST 0)
    if(type STREQUAL "EXECUTABLE")
      set(PELMO_FILE_NAME ${target}.exe)
      set(PELMO_FILE_TYPE 1)  # VFT_APP
      set(PELMO_MANIFEST 1)
    endif()
    set(rc ${CMAKE_BINARY_DIR}/stamp/${target}_version.rc)
    configure_file(${_stamp_dir}/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${_stamp_dir}/common_controls.manifest)
  endforeach()
endfunction()
