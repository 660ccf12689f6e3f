# Writes the revision the program is built from into a header:
#   cmake -DSOURCE_DIR=<tree> -DOUTPUT=<header> [-DREVISION=<text>] -P revision.cmake
# REVISION, when given, wins (a distributor building from a tarball knows
# it); otherwise git names it, and a tree without git history is "unknown".
# The header is rewritten only when the text changes, so that a build after
# a new commit recompiles the one file that includes it and nothing else.

if(REVISION)
  if(NOT REVISION MATCHES "^[A-Za-z0-9._+-]+$")
    message(FATAL_ERROR "VIREO_REVISION: letters, digits and . _ + - only, not '${REVISION}'")
  endif()
else()
  set(REVISION unknown)
  # Only the tree's own history: a tarball unpacked inside some other
  # checkout must not take that checkout's revision.
  if(EXISTS "${SOURCE_DIR}/.git")
    find_program(GIT_EXECUTABLE git)
    if(GIT_EXECUTABLE)
      # --no-optional-locks: a build must not hold the index lock that a
      # git command run at the same time needs.
      execute_process(
        COMMAND "${GIT_EXECUTABLE}" --no-optional-locks -C "${SOURCE_DIR}" describe --always --dirty
        OUTPUT_VARIABLE described
        RESULT_VARIABLE status
        OUTPUT_STRIP_TRAILING_WHITESPACE
        ERROR_QUIET)
      if(status EQUAL 0 AND described MATCHES "^[A-Za-z0-9._+-]+$")
        set(REVISION "${described}")
      endif()
    endif()
  endif()
endif()

set(text "// Written by cmake/revision.cmake at build time.\n#define VIREO_REVISION \"${REVISION}\"\n")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL text)
  file(WRITE "${OUTPUT}" "${text}")
endif()
