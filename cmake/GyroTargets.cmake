# Helpers that make one library target per source folder and one test program per test folder.

# gyro_library(<name> [QT <Qt targets...>] DEPS <targets...>): a static library of every .cpp in
# the calling folder and its subfolders (an interface library while the folder has none yet).
function(gyro_library name)
    cmake_parse_arguments(ARG "" "" "QT;DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(sources)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
        target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_QT})
        add_dependencies(${name} gyro_check_layers)
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${ARG_DEPS} ${ARG_QT})
    endif()
endfunction()

# gyro_gtest_folder(<name> DEPS <targets...>): one GoogleTest program of every *_test.cpp in the
# calling folder and its subfolders.
function(gyro_gtest_folder name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    if(NOT sources)
        return()
    endif()
    file(GLOB_RECURSE helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
    add_executable(${name} ${sources} ${helpers})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest_main GTest::gmock)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
                         PROPERTIES ENVIRONMENT "${GYRO_QT_TEST_ENV}")
endfunction()

# gyro_qtest_folder(DEPS <targets...>): one QtTest program per *_test.cpp in the calling folder
# and its subfolders, run offscreen, named <folder>_<file> after the calling folder.
function(gyro_qtest_folder)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
    file(GLOB_RECURSE helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_support.cpp)
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    foreach(source IN LISTS sources)
        get_filename_component(stem ${source} NAME_WE)
        set(target ${folder}_${stem})
        add_executable(${target} ${source} ${helpers})
        target_link_libraries(${target} PRIVATE ${ARG_DEPS} Qt6::Test)
        target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
        add_test(NAME ${target} COMMAND ${target})
        set_tests_properties(${target} PROPERTIES ENVIRONMENT "${GYRO_QT_TEST_ENV}" TIMEOUT 300)
    endforeach()
endfunction()
