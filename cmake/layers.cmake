# The library is built in layers, each a static library that sees only the
# folders of the layers below it:
#
#   pelmo_data (framework/data) <- pelmo_core <- pelmo_framework <- pelmo_controls
#     <- pelmo_manager <- pelmo_impl (module/: exports, entry, message box)
#
# A layer's include path is a folder of links to the folders it may use, so
# a lower layer cannot include an upper one's headers: the build refuses it.
# include/ (the public headers) and resources/ (the shared ids) are seen by
# every layer.
function(pelmo_layer target)
  set(view ${CMAKE_BINARY_DIR}/layers/${target})
  file(REMOVE_RECURSE ${view})
  foreach(folder ${ARGN} resources)
    get_filename_component(parent ${view}/${folder} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${view}/${folder} SYMBOLIC)
  endforeach()
  file(MAKE_DIRECTORY ${view})
  target_include_directories(${target} PRIVATE ${view})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/include ${PROJECT_SOURCE_DIR}/resources)
endfunction()
