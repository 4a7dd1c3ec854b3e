# Node.js for the glTF validator, the studio page's three.js and the browser
# test. Each npm folder is installed once, from its package-lock.json.
find_program(FW_NODE node)
if(NOT FW_NODE)
  set(FW_NODE node)
endif()
find_program(FW_NPM npm)

# Runs `npm ci` in dir unless dir/marker is there already; a failure is
# reported with severity (WARNING or FATAL_ERROR) and consequence.
function(fw_npm_ci dir marker severity consequence)
  if(FW_NPM AND NOT EXISTS ${dir}/${marker})
    execute_process(COMMAND ${FW_NPM} ci --no-audit --no-fund WORKING_DIRECTORY ${dir}
                    RESULT_VARIABLE result OUTPUT_QUIET)
    if(NOT result EQUAL 0)
      message(${severity} "npm ci in ${dir} failed: ${consequence}")
    endif()
  endif()
endfunction()
