# The embedded SQL engine: the SQLite amalgamation, taken at build time from a
# pinned npm package tarball whose checksum is checked before use.  The
# tarball is cached outside the source tree (once per machine), so a clean
# clone fetches it once and nothing of it is ever committed.
set(KITBAG_SQLITE_PACKAGE "better-sqlite3@12.11.1")
set(KITBAG_SQLITE_TARBALL_NAME "better-sqlite3-12.11.1.tgz")
set(KITBAG_SQLITE_SHA256 "ebf0ed75a7a59dbcb3b24bbd014ef49d9f15bc328e4adcbf516f2a8fadfa2835")
if(DEFINED ENV{KITBAG_CACHE})
  set(_kitbag_cache_default "$ENV{KITBAG_CACHE}")
elseif(DEFINED ENV{HOME})
  set(_kitbag_cache_default "$ENV{HOME}/.cache/kitbag")
else()
  set(_kitbag_cache_default "${CMAKE_BINARY_DIR}/../.cache")
endif()
set(KITBAG_CACHE_DIR "${_kitbag_cache_default}" CACHE PATH "Downloads kept between builds")

function(_kitbag_sqlite_checked tarball out)
  set(${out} FALSE PARENT_SCOPE)
  if(EXISTS "${tarball}")
    file(SHA256 "${tarball}" sum)
    if(sum STREQUAL KITBAG_SQLITE_SHA256)
      set(${out} TRUE PARENT_SCOPE)
    endif()
  endif()
endfunction()

set(_tarball "${KITBAG_CACHE_DIR}/${KITBAG_SQLITE_TARBALL_NAME}")
_kitbag_sqlite_checked("${_tarball}" _ok)
if(NOT _ok)
  file(MAKE_DIRECTORY "${KITBAG_CACHE_DIR}")
  file(REMOVE "${_tarball}")
  find_program(KITBAG_NPM npm REQUIRED)
  message(STATUS "Fetching ${KITBAG_SQLITE_PACKAGE} into ${KITBAG_CACHE_DIR}")
  execute_process(
    COMMAND ${KITBAG_NPM} pack ${KITBAG_SQLITE_PACKAGE} --pack-destination ${KITBAG_CACHE_DIR}
    WORKING_DIRECTORY ${KITBAG_CACHE_DIR}
    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "npm pack ${KITBAG_SQLITE_PACKAGE} failed: ${err}")
  endif()
  _kitbag_sqlite_checked("${_tarball}" _ok)
  if(NOT _ok)
    file(REMOVE "${_tarball}")
    message(FATAL_ERROR "${_tarball}: checksum differs from ${KITBAG_SQLITE_SHA256}")
  endif()
endif()

set(KITBAG_SQLITE_DIR "${CMAKE_BINARY_DIR}/sqlite")
set(_stamp "${KITBAG_SQLITE_DIR}/${KITBAG_SQLITE_SHA256}.stamp")
if(NOT EXISTS "${_stamp}")
  file(REMOVE_RECURSE "${KITBAG_SQLITE_DIR}")
  file(ARCHIVE_EXTRACT INPUT "${_tarball}" DESTINATION "${KITBAG_SQLITE_DIR}"
       PATTERNS package/deps/sqlite3/sqlite3.c package/deps/sqlite3/sqlite3.h)
  file(TOUCH "${_stamp}")
endif()

add_library(kitbag_sqlite STATIC "${KITBAG_SQLITE_DIR}/package/deps/sqlite3/sqlite3.c")
target_include_directories(kitbag_sqlite SYSTEM PUBLIC "${KITBAG_SQLITE_DIR}/package/deps/sqlite3")
# Only the engine: no extensions loaded from disk, no deprecated interfaces,
# no shared cache, no memory statistics (they cost a lock on every
# allocation); column origins for updatable recordsets; foreign keys kept.
target_compile_definitions(kitbag_sqlite PUBLIC
  SQLITE_THREADSAFE=1
  SQLITE_OMIT_LOAD_EXTENSION
  SQLITE_OMIT_DEPRECATED
  SQLITE_ENABLE_COLUMN_METADATA
  SQLITE_DEFAULT_FOREIGN_KEYS=1
  SQLITE_DEFAULT_MEMSTATUS=0
  SQLITE_OMIT_SHARED_CACHE
  SQLITE_USE_ALLOCA
  SQLITE_DEFAULT_WAL_SYNCHRONOUS=1)
target_compile_options(kitbag_sqlite PRIVATE -w -O2)
