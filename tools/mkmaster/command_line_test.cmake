# The tool as a user runs it: creates, refuses to overwrite, replaces on
# --force, and rejects bad use.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(master "${WORK}/Bnkdb.lca")

function(expect code)
  execute_process(COMMAND "${MKMASTER}" ${ARGN} RESULT_VARIABLE result ERROR_VARIABLE err)
  if(NOT result EQUAL code)
    message(FATAL_ERROR "mkmaster ${ARGN}: exit ${result}, expected ${code}: ${err}")
  endif()
endfunction()

expect(0 "${master}")
# "SQLite format 3\0"
set(magic "53514c69746520666f726d6174203300")
file(READ "${master}" header LIMIT 16 HEX)
if(NOT header STREQUAL magic)
  message(FATAL_ERROR "mkmaster did not write a database: '${header}'")
endif()

file(WRITE "${WORK}/other" "not a master")
expect(1 "${WORK}/other")
file(READ "${WORK}/other" kept)
if(NOT kept STREQUAL "not a master")
  message(FATAL_ERROR "mkmaster overwrote a file without --force")
endif()

expect(0 --force "${WORK}/other")
file(READ "${WORK}/other" header LIMIT 16 HEX)
if(NOT header STREQUAL magic)
  message(FATAL_ERROR "mkmaster --force did not replace the file")
endif()

expect(2)
expect(2 --bogus "${master}")
file(REMOVE_RECURSE "${WORK}")
