# The suite's scratch folder (TMPDIR for every test), run by ctest:
#   -DSTEP=start  empties SCRATCH and notes which of the tests' names /tmp holds;
#   -DSTEP=end    fails when SCRATCH is not empty, or when /tmp holds such a
#                 name it did not hold at the start (and still does after a
#                 short wait, for the folders of other suites running now).
# The names: the tests' scratch folders and the program's check that a folder
# takes files, which land in /tmp if they ignore TMPDIR. Only names that other
# suites running on the machine now (older checkouts, the studio, browsers)
# do not use for folders of their own that live a while.
set(names fernwick-scratch-* .fernwick-check.*)
set(noted ${SCRATCH}.at-start)

function(tmp_entries out)
  set(found "")
  foreach(name ${names})
    file(GLOB matches LIST_DIRECTORIES true RELATIVE /tmp /tmp/${name})
    list(APPEND found ${matches})
  endforeach()
  list(SORT found)
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

if(STEP STREQUAL "start")
  file(REMOVE_RECURSE ${SCRATCH})
  file(MAKE_DIRECTORY ${SCRATCH})
  tmp_entries(before)
  file(WRITE ${noted} "${before}")
  return()
endif()

file(GLOB left LIST_DIRECTORIES true RELATIVE ${SCRATCH} ${SCRATCH}/* ${SCRATCH}/.*)
set(problems "")
if(left)
  list(JOIN left "\n  " shown)
  string(APPEND problems "tests left these in their scratch folder ${SCRATCH}:\n  ${shown}\n")
  # The next run starts clean either way.
  file(REMOVE_RECURSE ${SCRATCH})
  file(MAKE_DIRECTORY ${SCRATCH})
endif()

set(before "")
if(EXISTS ${noted})
  file(READ ${noted} before)
endif()
foreach(attempt RANGE 20)
  tmp_entries(now)
  if(before)
    list(REMOVE_ITEM now ${before})
  endif()
  if(NOT now)
    break()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.5)
endforeach()
if(now)
  list(JOIN now "\n  " shown)
  string(APPEND problems "these appeared in /tmp during the suite and stayed:\n  ${shown}\n")
endif()
if(problems)
  message(FATAL_ERROR "${problems}")
endif()
message("The tests left nothing behind in ${SCRATCH} or /tmp")
