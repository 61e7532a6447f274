# hbx_add_shape: makes a Shape File from a mesh at build time.
#
#   hbx_add_shape(TARGET name CODE SP|CR|PX MESH mesh.obj OUTPUT shape.hbx3
#                 [TOOL makeHBX3|makeHBX2] [CHECK])
#
# TARGET  a custom target, part of "all", that stands for the Shape File; make
#         your own targets depend on it with add_dependencies().
# CODE    the shape: SP (sphere, 3D), CR (circle, 2D) or PX (proxy, either).
# MESH    the Wavefront OBJ mesh; relative to the current source folder.
# OUTPUT  the Shape File; relative to the current binary folder.
# TOOL    which tool makes it. Without it: makeHBX3 for SP, makeHBX2 for CR,
#         and for PX the output's extension decides (.hbx3 or .hbx2).
# CHECK   also run hbxcheck on the new file (needs hbxcheck installed).
#
# The tool runs in argument mode inside the current source folder, with the
# mesh's path relative to it when the mesh lies inside, so the file's origin
# line does not depend on where the project was checked out. The file is
# written under a temporary name and renamed only when the tool (and hbxcheck)
# succeeded: a failure (exit status 1) fails the build and never leaves an
# aborted file under the output name, where it would look up to date. The
# command depends on the mesh and on the tool, so editing the mesh or
# installing a new tool remakes the file.
function(hbx_add_shape)
  cmake_parse_arguments(PARSE_ARGV 0 ARG "CHECK" "TARGET;CODE;MESH;OUTPUT;TOOL" "")
  if(ARG_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "hbx_add_shape: unexpected arguments: ${ARG_UNPARSED_ARGUMENTS}")
  endif()
  foreach(required IN ITEMS TARGET CODE MESH OUTPUT)
    if(NOT ARG_${required})
      message(FATAL_ERROR "hbx_add_shape: ${required} is required")
    endif()
  endforeach()
  if(NOT ARG_CODE MATCHES "^(SP|CR|PX)$")
    message(FATAL_ERROR "hbx_add_shape: CODE must be SP, CR or PX, not \"${ARG_CODE}\"")
  endif()

  get_filename_component(extension "${ARG_OUTPUT}" LAST_EXT)
  if(ARG_TOOL)
    set(tool "${ARG_TOOL}")
  elseif(ARG_CODE STREQUAL "SP" OR extension STREQUAL ".hbx3")
    set(tool makeHBX3)
  elseif(ARG_CODE STREQUAL "CR" OR extension STREQUAL ".hbx2")
    set(tool makeHBX2)
  else()
    message(FATAL_ERROR "hbx_add_shape: cannot tell the tool for a PX shape from "
                        "\"${ARG_OUTPUT}\": name the file .hbx3 or .hbx2, or give TOOL")
  endif()
  if(NOT tool MATCHES "^makeHBX[23]$")
    message(FATAL_ERROR "hbx_add_shape: TOOL must be makeHBX3 or makeHBX2, not \"${tool}\"")
  endif()
  if((ARG_CODE STREQUAL "SP" AND tool STREQUAL "makeHBX2")
     OR (ARG_CODE STREQUAL "CR" AND tool STREQUAL "makeHBX3"))
    message(FATAL_ERROR "hbx_add_shape: ${tool} does not make ${ARG_CODE} shapes")
  endif()

  # The installed tool, or the project's own while it builds itself.
  if(TARGET hbx::${tool})
    set(tool_target hbx::${tool})
  elseif(TARGET ${tool})
    set(tool_target ${tool})
  else()
    message(FATAL_ERROR "hbx_add_shape: ${tool} is not installed with this hbx package")
  endif()
  if(ARG_CHECK)
    if(TARGET hbx::hbxcheck)
      set(check_target hbx::hbxcheck)
    elseif(TARGET hbxcheck)
      set(check_target hbxcheck)
    else()
      message(FATAL_ERROR "hbx_add_shape: CHECK needs hbxcheck, which is not installed")
    endif()
  endif()

  get_filename_component(mesh "${ARG_MESH}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_SOURCE_DIR}")
  get_filename_component(output "${ARG_OUTPUT}" ABSOLUTE BASE_DIR "${CMAKE_CURRENT_BINARY_DIR}")
  get_filename_component(output_dir "${output}" DIRECTORY)
  file(RELATIVE_PATH mesh_arg "${CMAKE_CURRENT_SOURCE_DIR}" "${mesh}")
  if(mesh_arg MATCHES "^\\.\\./" OR IS_ABSOLUTE "${mesh_arg}")
    set(mesh_arg "${mesh}")
  endif()
  set(partial "${output}.part")

  set(commands
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${output_dir}"
    COMMAND "${CMAKE_COMMAND}" -E rm -f "${partial}"
    COMMAND ${tool_target} ${ARG_CODE} "${mesh_arg}" "${partial}")
  if(ARG_CHECK)
    list(APPEND commands COMMAND ${check_target} "${partial}")
  endif()
  list(APPEND commands COMMAND "${CMAKE_COMMAND}" -E rename "${partial}" "${output}")

  add_custom_command(OUTPUT "${output}"
    ${commands}
    DEPENDS "${mesh}" $<TARGET_FILE:${tool_target}>
    WORKING_DIRECTORY "${CMAKE_CURRENT_SOURCE_DIR}"
    COMMENT "Making Shape File ${ARG_OUTPUT} (${ARG_CODE}) from ${ARG_MESH}"
    VERBATIM)
  add_custom_target(${ARG_TARGET} ALL DEPENDS "${output}")
  set_property(TARGET ${ARG_TARGET} PROPERTY HBX_SHAPE_FILE "${output}")
endfunction()
