# The revision a build records: "unknown" for a source tree outside git, a
# commit for this checkout (when it is one and git is there).
#   cmake -DSOURCE_DIR=<source tree> -DWORK_DIR=<scratch> -DVERSION=<x.y.z> -P build_revision_test.cmake
set(outside "${WORK_DIR}/outside-git")
file(REMOVE_RECURSE "${outside}")
file(MAKE_DIRECTORY "${outside}")
execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${outside} -DOUTPUT=${outside}/r.cpp
                        -DVERSION=${VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/build_revision.cmake
                COMMAND_ERROR_IS_FATAL ANY)
file(READ "${outside}/r.cpp" text)
if(NOT text MATCHES "kSourceRevision\\[\\] = \"unknown\"")
  message(FATAL_ERROR "a tree outside git must record \"unknown\":\n${text}")
endif()
if(NOT text MATCHES "kProgramVersion\\[\\] = \"${VERSION}\"")
  message(FATAL_ERROR "the version is not recorded:\n${text}")
endif()

find_program(GIT_PROGRAM git)
execute_process(COMMAND ${GIT_PROGRAM} -C ${SOURCE_DIR} rev-parse --short=12 HEAD
                OUTPUT_VARIABLE commit RESULT_VARIABLE failed
                OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(GIT_PROGRAM AND NOT failed)
  execute_process(COMMAND ${CMAKE_COMMAND} -DSOURCE_DIR=${SOURCE_DIR} -DOUTPUT=${outside}/c.cpp
                          -DVERSION=${VERSION} -P ${CMAKE_CURRENT_LIST_DIR}/build_revision.cmake
                  COMMAND_ERROR_IS_FATAL ANY)
  file(READ "${outside}/c.cpp" text)
  if(NOT text MATCHES "kSourceRevision\\[\\] = \"${commit}(-modified)?\"")
    message(FATAL_ERROR "the checkout's commit ${commit} is not recorded:\n${text}")
  endif()
endif()
file(REMOVE_RECURSE "${outside}")
