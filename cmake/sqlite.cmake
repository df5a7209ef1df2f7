# SQLite for both builds, as the target SQLite::SQLite3: the official
# amalgamation (sqlite3.c, sqlite3.h), compiled into each program with the
# options below, so that the native tests run the engine that the Windows
# program carries.  It comes from a pinned release of the npm package
# "sqlite3", which carries SQLite's own autoconf tarball; each file is
# checked against its SHA-256 below.  The download is cached under the build
# directory and never enters the source tree.

set(SQLITE_NPM_PACKAGE "sqlite3@6.0.1")
set(SQLITE_NPM_SHA256 "ab8d044a93e05bd031d7ea75547c7fa60387cdc259d27f93c0e3e2832c4b1df9")
set(SQLITE_RELEASE "sqlite-autoconf-3520000")  # SQLite 3.52.0
set(SQLITE_RELEASE_SHA256 "f6b50b0c103392af32a8be15b2b9d25959de9a00a70c3979128aafeaa5338b3f")
set(SQLITE_C_SHA256 "a503acc9fe98f628eed36eb2aa2116a26f2541270d757f9b7cdbc2f19eb72b8f")
set(SQLITE_H_SHA256 "37537d6131c1d2e507b34a6cee5590e27cedb7d82f543f257afbc72c0cbbcc22")

set(_sqlite_dir "${CMAKE_BINARY_DIR}/_deps/sqlite")
set(_sqlite_src "${_sqlite_dir}/${SQLITE_RELEASE}")

function(_sqlite_check_sha256 file expected)
  file(SHA256 "${file}" actual)
  if(NOT actual STREQUAL expected)
    message(FATAL_ERROR "SQLite download: ${file} has SHA-256 ${actual}, expected ${expected}")
  endif()
endfunction()

if(NOT EXISTS "${_sqlite_src}/sqlite3.c" OR NOT EXISTS "${_sqlite_src}/sqlite3.h")
  find_program(NPM_EXECUTABLE npm REQUIRED)
  set(_download "${_sqlite_dir}/download")
  file(REMOVE_RECURSE "${_download}" "${_sqlite_src}")
  file(MAKE_DIRECTORY "${_download}")
  message(STATUS "SQLite: fetching ${SQLITE_NPM_PACKAGE} from the npm registry")
  execute_process(
    COMMAND "${NPM_EXECUTABLE}" pack "${SQLITE_NPM_PACKAGE}" --pack-destination "${_download}"
            --ignore-scripts --silent
    WORKING_DIRECTORY "${_download}"
    RESULT_VARIABLE _npm_result
    OUTPUT_QUIET
    ERROR_VARIABLE _npm_error)
  if(NOT _npm_result EQUAL 0)
    message(FATAL_ERROR "SQLite: npm pack ${SQLITE_NPM_PACKAGE} failed: ${_npm_error}")
  endif()
  # "sqlite3@6.0.1" is packed as sqlite3-6.0.1.tgz.
  string(REPLACE "@" "-" _package "${SQLITE_NPM_PACKAGE}")
  set(_package "${_download}/${_package}.tgz")
  _sqlite_check_sha256("${_package}" "${SQLITE_NPM_SHA256}")

  file(ARCHIVE_EXTRACT INPUT "${_package}" DESTINATION "${_download}"
       PATTERNS "package/deps/${SQLITE_RELEASE}.tar.gz")
  set(_release "${_download}/package/deps/${SQLITE_RELEASE}.tar.gz")
  _sqlite_check_sha256("${_release}" "${SQLITE_RELEASE_SHA256}")

  file(ARCHIVE_EXTRACT INPUT "${_release}" DESTINATION "${_sqlite_dir}"
       PATTERNS "${SQLITE_RELEASE}/sqlite3.c" "${SQLITE_RELEASE}/sqlite3.h")
  file(REMOVE_RECURSE "${_download}")
endif()
# The cached copy is checked on every configure, too.
_sqlite_check_sha256("${_sqlite_src}/sqlite3.c" "${SQLITE_C_SHA256}")
_sqlite_check_sha256("${_sqlite_src}/sqlite3.h" "${SQLITE_H_SHA256}")

add_library(sqlite3_amalgamation STATIC "${_sqlite_src}/sqlite3.c")
target_include_directories(sqlite3_amalgamation SYSTEM PUBLIC "${_sqlite_src}")
target_compile_definitions(sqlite3_amalgamation PRIVATE
  # The updater, its tools and its tests use the engine from one thread
  # only; without its mutexes an edit of a row costs about 5% less.  A
  # second thread that uses the engine needs SQLITE_THREADSAFE=1 back.
  SQLITE_THREADSAFE=0
  # Durability is the engine's default; it is stated here so that no other
  # default can creep in.  The updater also sets it on every open.
  SQLITE_DEFAULT_SYNCHRONOUS=2
  SQLITE_OMIT_LOAD_EXTENSION
  # Windows: reads and writes at a position set beforehand rather than one
  # given with each call.  With the position given (an OVERLAPPED), Wine
  # asks its server after every read and write whether to post a completion
  # (add_fd_completion), which made the engine five times slower there than
  # natively; Windows itself gains or loses nothing.
  SQLITE_WIN32_NO_OVERLAPPED
  SQLITE_OMIT_DEPRECATED
  SQLITE_OMIT_SHARED_CACHE
  SQLITE_USE_URI=0
  # SQLite's recommended options for a program that needs none of what they
  # leave out: no double-quoted string literals, no progress callbacks.
  # (The allocation statistics stay: the heap limit that the tests set to
  # fail allocations is counted by them.)
  SQLITE_DQS=0
  SQLITE_LIKE_DOESNT_MATCH_BLOBS
  SQLITE_MAX_EXPR_DEPTH=0
  SQLITE_OMIT_PROGRESS_CALLBACK
  SQLITE_USE_ALLOCA)
# Third-party code: its warnings are not ours to act on.
target_compile_options(sqlite3_amalgamation PRIVATE -w -O3)
add_library(SQLite::SQLite3 ALIAS sqlite3_amalgamation)
