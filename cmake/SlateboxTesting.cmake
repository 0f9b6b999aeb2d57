# slatebox_add_test(<name> SOURCES <files...> LABELS <labels...> [LIBRARIES <targets...>])
#
# One QtTest executable per unit under test, linked against the libraries (sources are never
# compiled into tests twice). Each test runs with its own throwaway HOME and XDG folders so
# nothing ever touches the real user's files.
function(slatebox_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LABELS;LIBRARIES" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE slatebox_test_support slatebox_core Qt6::Test
        ${ARG_LIBRARIES})
    add_test(NAME ${name} COMMAND ${name})

    set(home ${CMAKE_BINARY_DIR}/test-homes/${name})
    set_tests_properties(${name} PROPERTIES
        LABELS "${ARG_LABELS}"
        TIMEOUT 300
        ENVIRONMENT "SLATEBOX_TESTING=1;QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_DATA_HOME=${home}/.local/share;XDG_CONFIG_HOME=${home}/.config;XDG_CACHE_HOME=${home}/.cache;XDG_RUNTIME_DIR=${home}/run;SLATEBOX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    file(MAKE_DIRECTORY ${home}/run)
    file(CHMOD ${home}/run DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()
