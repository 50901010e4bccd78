# morvale_test(NAME SOURCES src... [LIBS lib...] [NEEDS display|sound] [TIMEOUT seconds] [TIMING])
#
# A GoogleTest executable run under Wine by scripts/wine-test.sh. Tests that need a display or the
# microphone run against the Xvfb and PulseAudio of the "testenv" fixture, one at a time (they share
# the screen); unit tests need neither and run in parallel.
# TIMING marks a test that measures time (sync, pacing, pauses): it runs with the machine to itself,
# no other test beside it, since CPU-heavy neighbours delay the grabs, the encoders and the device.
# Such tests carry the label "timing".
set(MORVALE_WINE_TEST "${CMAKE_SOURCE_DIR}/scripts/wine-test.sh")
set(MORVALE_TESTENV "${CMAKE_SOURCE_DIR}/scripts/testenv.sh")

add_test(NAME prepare_wine_unit COMMAND ${MORVALE_WINE_TEST} prepare unit ${CMAKE_BINARY_DIR})
add_test(NAME finish_wine_unit COMMAND ${MORVALE_WINE_TEST} finish unit ${CMAKE_BINARY_DIR})
set_tests_properties(prepare_wine_unit PROPERTIES FIXTURES_SETUP wine_unit TIMEOUT 120)
set_tests_properties(finish_wine_unit PROPERTIES FIXTURES_CLEANUP wine_unit TIMEOUT 60)

add_test(NAME start_testenv COMMAND ${MORVALE_TESTENV} start ${CMAKE_BINARY_DIR}/testenv)
add_test(NAME prepare_wine_gui COMMAND ${MORVALE_WINE_TEST} prepare gui ${CMAKE_BINARY_DIR})
add_test(NAME finish_wine_gui COMMAND ${MORVALE_WINE_TEST} finish gui ${CMAKE_BINARY_DIR})
add_test(NAME stop_testenv COMMAND ${MORVALE_TESTENV} stop ${CMAKE_BINARY_DIR}/testenv)
# Xvfb and PulseAudio first (testenv_base), then the GUI prefix on that display (testenv); they are
# stopped in the reverse order, after the last test that needs them, also when tests fail.
set_tests_properties(start_testenv PROPERTIES FIXTURES_SETUP testenv_base TIMEOUT 60)
set_tests_properties(prepare_wine_gui PROPERTIES FIXTURES_SETUP testenv FIXTURES_REQUIRED testenv_base TIMEOUT 120)
set_tests_properties(finish_wine_gui PROPERTIES FIXTURES_CLEANUP testenv FIXTURES_REQUIRED testenv_base TIMEOUT 60)
set_tests_properties(stop_testenv PROPERTIES FIXTURES_CLEANUP testenv_base TIMEOUT 60)

function(morvale_test name)
  cmake_parse_arguments(T "TIMING" "TIMEOUT" "SOURCES;LIBS;NEEDS" ${ARGN})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} morvale_test_support ext::gtest_main)
  target_link_options(${name} PRIVATE -mconsole)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY "${CMAKE_BINARY_DIR}/tests")
  set(kind unit)
  set(labels unit)
  if(T_NEEDS)
    set(kind gui)
    set(labels ${T_NEEDS})
  endif()
  if(T_TIMING)
    list(APPEND labels timing)
  endif()
  # Wine gets the run's own limit, so the wrapper reports a hang and the prefix is cleaned up;
  # CTest's limit is only the backstop.
  add_test(NAME ${name}
    COMMAND ${MORVALE_WINE_TEST} run ${kind} ${CMAKE_BINARY_DIR} ${T_TIMEOUT} $<TARGET_FILE:${name}> --gtest_color=no)
  math(EXPR backstop "${T_TIMEOUT} + 30")
  set_tests_properties(${name} PROPERTIES TIMEOUT ${backstop} LABELS "${labels}")
  if(T_TIMING)
    set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
  endif()
  if(kind STREQUAL gui)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "testenv;testenv_base" RESOURCE_LOCK screen)
  else()
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_unit)
  endif()
endfunction()
