# vireo_add_test(<name> SOURCES ... LIBS ... [LABELS ...] [TIMEOUT s] [ENVIRONMENT ...])
# Unit tests live in build/tests/bin, so their resources directory (<bin>/../share/vireo/) is a private one that a
# test may fill or empty without touching the program's own.
set(VIREO_TEST_BIN_DIR ${CMAKE_BINARY_DIR}/tests/bin)
function(vireo_add_test name)
    cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE Qt6::Test ${T_LIBS})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VIREO_TEST_BIN_DIR})
    add_test(NAME ${name} COMMAND ${name})
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 120)
    endif()
    if(NOT T_LABELS)
        set(T_LABELS unit)
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} LABELS "${T_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;${T_ENVIRONMENT}")
endfunction()
