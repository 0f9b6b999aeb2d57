# slatebox_core_library(<subsystem> [DEPENDS <subsystems...>] [LIBRARIES <targets...>])
#
# Each subsystem folder of src/core is a static library of its own, so the link graph states
# which subsystem may use which; `slatebox_core` gathers them all for the ui and the app.
function(slatebox_core_library subsystem)
    cmake_parse_arguments(ARG "" "" "DEPENDS;LIBRARIES" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    if(NOT sources)
        return() # a subsystem folder that holds no code yet
    endif()
    set(target slatebox_core_${subsystem})
    add_library(${target} STATIC ${sources})
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${target} PUBLIC slatebox_build_options Qt6::Core ${ARG_LIBRARIES})
    foreach(dep ${ARG_DEPENDS})
        target_link_libraries(${target} PUBLIC slatebox_core_${dep})
    endforeach()
    target_link_libraries(slatebox_core INTERFACE ${target})
endfunction()
