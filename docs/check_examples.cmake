# cmake -DMAKEHBX3=... -DMAKEHBX2=... -DDOC=shape-file.md -DWORK=dir -P check_examples.cmake
#
# Runs the tools on the meshes of the reference's worked examples and fails
# unless the reference quotes each record section exactly as the tools write
# it today.
file(READ ${DOC} doc)
file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/tri.obj "v 0 0 5\nv 4 0 -5\nv 0 2 0\nf 1 2 3\n")
file(WRITE ${WORK}/rect.obj "v 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 0\nf 1 2 3\nf 1 3 4\n")
file(WRITE ${WORK}/tetrahedron.obj
  "v 0 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\n"
  "vn -0.57735 -0.57735 -0.57735\nvn 1 0 0\nvn 0 1 0\nvn 0 0 1\n"
  "f 1//1 3//3 2//2\nf 1//1 2//2 4//4\nf 1//1 4//4 3//3\nf 2//2 3//3 4//4\n")

# The meshes are quoted in the reference too.
foreach(mesh IN ITEMS tri rect tetrahedron)
  file(READ ${WORK}/${mesh}.obj text)
  string(FIND "${doc}" "${text}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "${DOC} does not quote the mesh ${mesh}.obj:\n${text}")
  endif()
endforeach()

function(check_example tool code mesh)
  set(out ${WORK}/${mesh}-${code}.hbx)
  execute_process(COMMAND ${tool} ${code} ${mesh}.obj ${out} WORKING_DIRECTORY ${WORK}
    RESULT_VARIABLE status OUTPUT_QUIET)
  if(NOT status EQUAL 0)
    message(SEND_ERROR "${tool} ${code} ${mesh}.obj failed")
    return()
  endif()
  file(READ ${out} text)
  string(FIND "${text}" "*start\n" start)
  string(FIND "${text}" "*end\n" end)
  math(EXPR first "${start} + 7")
  math(EXPR length "${end} - ${first}")
  string(SUBSTRING "${text}" ${first} ${length} records)
  string(FIND "${doc}" "\n${records}```" at)
  if(at EQUAL -1)
    message(SEND_ERROR "${DOC} does not quote what ${code} on ${mesh}.obj gives:\n${records}")
  endif()
endfunction()

check_example(${MAKEHBX3} SP tri)
check_example(${MAKEHBX2} CR tri)
check_example(${MAKEHBX3} PX tetrahedron)
check_example(${MAKEHBX2} PX rect)
