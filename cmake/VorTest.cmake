# vor_add_test(NAME SOURCES src... LIBS lib... [LABELS l...] [TIMEOUT s])
# One GoogleTest executable. Natively its cases are discovered one by one;
# in the cross build the whole executable is one ctest test, run through
# CMAKE_CROSSCOMPILING_EMULATOR (scripts/wine-run.sh), since discovery
# would start Wine once more per build.
include(GoogleTest)
function(vor_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main vor_options)
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    if(CMAKE_CROSSCOMPILING)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "unit;${T_LABELS}")
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
            PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "unit;${T_LABELS}")
    endif()
endfunction()
