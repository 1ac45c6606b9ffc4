# How a test program joins the suite.
#
#   ostrelle_add_test(NAME tk_logger_test LABEL unit SOURCES a.cpp b.cpp LIBS tk)
#
# LABEL is one of:
#   unit    no server; each GoogleTest case becomes its own ctest test
#   server  needs the private MariaDB that the `mariadb` fixture starts
#   e2e     runs the programs as a user would, with the private MariaDB running
# A further label `tsan` marks the tests that the ThreadSanitizer preset runs; the target
# ostrelle_tsan_tests builds just those programs (CI builds it in the tsan preset), and
# ostrelle_release_tests the programs of the unit and heavy tests (CI builds it in the release
# preset, with the programs themselves).
#
# PREFIX puts a word before the names of the discovered cases (PREFIX wizard gives
# "wizard.Suite.Case"), so `ctest -R wizard` finds a whole area by name as well as by label.
#
# EACH_CASE makes each GoogleTest case of a server or e2e program its own ctest test as well, so
# that ctest runs them side by side; such cases must not share a database. A case named
# "heavy/..." (a parameterized suite instantiated under the prefix heavy) carries the label
# `heavy` alone: too slow for the sanitizer build, it runs in the release build.
find_package(GTest REQUIRED)
include(GoogleTest)

set(OSTRELLE_TEST_SUPPORT_DIR ${PROJECT_SOURCE_DIR}/tests/support)
add_custom_target(ostrelle_release_tests)

function(ostrelle_add_test)
  cmake_parse_arguments(T "EACH_CASE" "NAME;LABEL;PREFIX" "SOURCES;LIBS;EXTRA_LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE ostrelle_test_support ${T_LIBS} GTest::gmock GTest::gtest_main)
  set(labels ${T_LABEL} ${T_EXTRA_LABELS})
  if("tsan" IN_LIST T_EXTRA_LABELS)
    if(NOT TARGET ostrelle_tsan_tests)
      add_custom_target(ostrelle_tsan_tests)
    endif()
    add_dependencies(ostrelle_tsan_tests ${T_NAME})
  endif()
  # The release preset runs the unit tests and the heavy cases, which only unit and EACH_CASE
  # programs hold; ostrelle_release_tests builds just those (and the programs they run).
  if(T_LABEL STREQUAL "unit" OR T_EACH_CASE)
    add_dependencies(ostrelle_release_tests ${T_NAME})
  endif()
  if(T_LABEL STREQUAL "unit" OR T_EACH_CASE)
    # gtest_discover_tests hands PROPERTIES on as separate words, so a list value (the labels
    # "unit;tsan", the two environment variables) would lose all but its first item. A script run
    # after the discovered tests are added sets them instead. A case run on its own has no
    # wrapper: it reads the server's address from the state file below OSTRELLE_BUILD_DIR.
    # NO_PRETTY_VALUES: a test's name is GoogleTest's own (a parameterized suite names its cases
    # with a name generator), never the bytes of its parameter, which change from build to build.
    set(prefix "")
    if(T_PREFIX)
      set(prefix "${T_PREFIX}.")
    endif()
    gtest_discover_tests(${T_NAME} DISCOVERY_TIMEOUT 60 TEST_LIST ${T_NAME}_TESTS NO_PRETTY_VALUES
                         TEST_PREFIX "${prefix}")
    set(fixture "")
    if(NOT T_LABEL STREQUAL "unit")
      set(fixture "FIXTURES_REQUIRED mariadb")
    endif()
    set(props_file ${CMAKE_CURRENT_BINARY_DIR}/${T_NAME}_properties.cmake)
    file(WRITE ${props_file}
      "foreach(t IN LISTS ${T_NAME}_TESTS)\n"
      "  set(labels \"${labels}\")\n"
      "  if(t MATCHES \"^heavy/\")\n"
      "    set(labels heavy)\n"
      "  endif()\n"
      "  set_tests_properties(\"\${t}\" PROPERTIES LABELS \"\${labels}\" ${fixture}\n"
      "    ENVIRONMENT \"OSTRELLE_TESTDATA=${OSTRELLE_TESTDATA_DIR};OSTRELLE_BUILD_DIR=${PROJECT_BINARY_DIR}\")\n"
      "endforeach()\n")
    set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${props_file})
  else()
    # The wrapper exports the running server's address, then runs the program.
    add_test(NAME ${T_NAME}
      COMMAND ${OSTRELLE_TEST_SUPPORT_DIR}/with_test_server.sh ${PROJECT_BINARY_DIR}/test-server
              $<TARGET_FILE:${T_NAME}>)
    set_tests_properties(${T_NAME} PROPERTIES
      LABELS "${labels}"
      FIXTURES_REQUIRED mariadb
      ENVIRONMENT "OSTRELLE_TESTDATA=${OSTRELLE_TESTDATA_DIR};OSTRELLE_BUILD_DIR=${PROJECT_BINARY_DIR}")
  endif()
endfunction()
