# embed_text_file(<target> <symbol> <file>): compiles <file>'s bytes into
# <target> as `extern const char <symbol>[]` (NUL-terminated).  The native build
# uses this to read the very resource scripts that windres compiles into the exe,
# so there is one source for every text and layout.
function(embed_text_file target symbol file)
  set(out ${CMAKE_CURRENT_BINARY_DIR}/embed_${symbol}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DSYMBOL=${symbol}
            -P ${PROJECT_SOURCE_DIR}/cmake/embed_run.cmake
    DEPENDS ${file} ${PROJECT_SOURCE_DIR}/cmake/embed_run.cmake
    VERBATIM)
  target_sources(${target} PRIVATE ${out})
endfunction()
