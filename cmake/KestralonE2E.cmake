# kestralon_e2e_test(<name> SCENARIO <file>
#                    [CONFIG <file> | NO_CONFIG] [SAVF <file> | NO_SAVF] [SAVF_NAME <name>]
#                    [SETUP <script>] [TEARDOWN <script>] [CHECK <script>] [ENV NAME=VALUE ...] [NO_TEMP]
#                    [ALLOW_LEFTOVERS] [TIMEOUT <seconds>] [LABELS <label> ...] [TEMP_NAME <name>]
#                    [NETNS <name>])
# An end-to-end test, registered with ctest as e2e_<name> in the Windows build: a fresh folder
# with KESTRALON.EXE, CONFIG.INI (CONFIG is a UTF-8 file, written out in code page 932; the
# default is tests/e2e/configs/demo.ini) and the product file (SAVF, or a placeholder named
# SAVF_NAME, default PRODUCT.SAVF), a private TEMP (none with NO_TEMP), and the UI driver playing
# SCENARIO. SETUP and TEARDOWN are bash scripts run before and after; CHECK runs after a passing
# driver and fails the test when it fails (see tests/e2e/run-e2e.sh);
# ENV reaches the installer; TEMP_NAME names a folder inside the private TEMP that becomes TEMP;
# NETNS runs the driver and the installer in that network namespace (made by SETUP).
# Relative paths are taken from the calling folder. A test drives the
# one X display's pointer, keyboard and foreground, so it runs while no other test runs.
function(kestralon_e2e_test name)
  if(NOT WIN32)
    return()
  endif()
  cmake_parse_arguments(E "NO_CONFIG;NO_SAVF;NO_TEMP;ALLOW_LEFTOVERS" "SCENARIO;CONFIG;SAVF;SAVF_NAME;SETUP;TEARDOWN;CHECK;TIMEOUT;TEMP_NAME;NETNS"
    "ENV;LABELS" ${ARGN})
  if(NOT E_SCENARIO)
    message(FATAL_ERROR "kestralon_e2e_test(${name}): SCENARIO is needed")
  endif()
  set(args --name e2e_${name} --build ${CMAKE_BINARY_DIR})
  foreach(option SCENARIO CONFIG SAVF SETUP TEARDOWN CHECK)
    if(E_${option})
      get_filename_component(path ${E_${option}} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
      string(TOLOWER ${option} flag)
      list(APPEND args --${flag} ${path})
    endif()
  endforeach()
  if(E_SAVF_NAME)
    list(APPEND args --savf-name ${E_SAVF_NAME})
  endif()
  if(E_TEMP_NAME)
    list(APPEND args --temp-name ${E_TEMP_NAME})
  endif()
  if(E_NETNS)
    list(APPEND args --netns ${E_NETNS})
  endif()
  foreach(flag NO_CONFIG NO_SAVF NO_TEMP ALLOW_LEFTOVERS)
    if(E_${flag})
      string(TOLOWER ${flag} option)
      string(REPLACE "_" "-" option ${option})
      list(APPEND args --${option})
    endif()
  endforeach()
  foreach(pair ${E_ENV})
    list(APPEND args --env ${pair})
  endforeach()
  if(NOT E_TIMEOUT)
    set(E_TIMEOUT 60)
  endif()
  math(EXPR driver_limit "${E_TIMEOUT} - 5")
  list(APPEND args --time-limit ${driver_limit})
  add_test(NAME e2e_${name} COMMAND bash ${PROJECT_SOURCE_DIR}/tests/e2e/run-e2e.sh ${args})
  set_tests_properties(e2e_${name} PROPERTIES
    TIMEOUT ${E_TIMEOUT}
    SKIP_RETURN_CODE 77
    RUN_SERIAL TRUE
    LABELS "e2e;${E_LABELS}"
    ENVIRONMENT "KESTRALON_TEST_OUTPUT=${KESTRALON_TEST_OUTPUT}")
endfunction()
