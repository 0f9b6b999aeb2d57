# slatebox_add_test(<name> SOURCES <files...> LABELS <labels...> [LIBRARIES <targets...>]
#                   [LAUNCHER <command...>])
#
# One QtTest executable per unit under test, linked against the libraries it tests (sources are
# never compiled into tests twice); LIBRARIES defaults to the whole of slatebox_core. Each test runs with its own throwaway HOME and XDG folders so
# nothing ever touches the real user's files. LAUNCHER runs the executable through a wrapper
# (tests/support/with-secret-service, say).
function(slatebox_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LABELS;LIBRARIES;LAUNCHER" ${ARGN})
    if(NOT ARG_LIBRARIES)
        set(ARG_LIBRARIES slatebox_core)
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE slatebox_test_support Qt6::Test ${ARG_LIBRARIES})
    if(ARG_LAUNCHER)
        add_test(NAME ${name} COMMAND ${ARG_LAUNCHER} $<TARGET_FILE:${name}>)
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()

    set(home ${CMAKE_BINARY_DIR}/test-homes/${name})
    set_tests_properties(${name} PROPERTIES
        LABELS "${ARG_LABELS}"
        TIMEOUT 300
        ENVIRONMENT "SLATEBOX_TESTING=1;QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_DATA_HOME=${home}/.local/share;XDG_CONFIG_HOME=${home}/.config;XDG_CACHE_HOME=${home}/.cache;XDG_RUNTIME_DIR=${home}/run;SLATEBOX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
    file(MAKE_DIRECTORY ${home}/run)
    file(CHMOD ${home}/run DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endfunction()

# slatebox_add_folder_tests(LABELS <labels...> [LIBRARIES <targets...>] [EXCEPT <names...>])
#
# Adds one test per tst_*.cpp in the calling folder, named after the file. Tests that need other
# labels (integration, ui) are listed in EXCEPT and declared with slatebox_add_test.
function(slatebox_add_folder_tests)
    cmake_parse_arguments(ARG "" "" "LABELS;LIBRARIES;EXCEPT" ${ARGN})
    file(GLOB test_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/tst_*.cpp)
    foreach(library ${ARG_LIBRARIES})
        if(NOT TARGET ${library})
            return() # the subsystem holds no code yet
        endif()
    endforeach()
    foreach(source ${test_sources})
        get_filename_component(name ${source} NAME_WE)
        if(NOT name IN_LIST ARG_EXCEPT)
            slatebox_add_test(${name} SOURCES ${source} LABELS ${ARG_LABELS}
                LIBRARIES ${ARG_LIBRARIES})
        endif()
    endforeach()
endfunction()
