# Writes OUTPUT, a C++ source that holds the program's version and the source
# revision it is built from, and touches it only when that changes. Run at
# every build (not only at configure time), so that a binary never claims a
# revision it was not built from.
#   cmake -DSOURCE_DIR=<source tree> -DOUTPUT=<file> -DVERSION=<x.y.z> -P build_revision.cmake
# The revision is the commit of the checkout (12 hex digits), with
# "-modified" when tracked files differ from it; "unknown" when the source
# tree is not the top of a git checkout or git is missing.
set(revision "unknown")
find_program(GIT_PROGRAM git)
if(GIT_PROGRAM)
  execute_process(COMMAND ${GIT_PROGRAM} -C ${SOURCE_DIR} rev-parse --show-toplevel
                  OUTPUT_VARIABLE top RESULT_VARIABLE failed
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(NOT failed)
    # A source tree copied into some other checkout is not that checkout.
    file(REAL_PATH "${top}" top)
    file(REAL_PATH "${SOURCE_DIR}" source)
    if(top STREQUAL source)
      execute_process(COMMAND ${GIT_PROGRAM} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
                      OUTPUT_VARIABLE commit RESULT_VARIABLE failed
                      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
      if(NOT failed AND commit)
        set(revision "${commit}")
        execute_process(COMMAND ${GIT_PROGRAM} -C ${SOURCE_DIR} status --porcelain
                                --untracked-files=no
                        OUTPUT_VARIABLE changes OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        if(changes)
          string(APPEND revision "-modified")
        endif()
      endif()
    endif()
  endif()
endif()

set(content "// Written at build time by cmake/build_revision.cmake; not in the sources.
namespace gorvan {
extern const char kProgramVersion[] = \"${VERSION}\";
extern const char kSourceRevision[] = \"${revision}\";
}  // namespace gorvan
")
set(old "")
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
endif()
if(NOT old STREQUAL content)
  file(WRITE "${OUTPUT}" "${content}")
endif()
