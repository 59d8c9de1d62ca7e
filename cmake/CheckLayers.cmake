# Fails when a source folder includes a folder above it in the layers (cmake/GyroLayers.cmake).
# Usage: cmake -DSRC=<project>/src -P CheckLayers.cmake
cmake_minimum_required(VERSION 3.25)
include(${CMAKE_CURRENT_LIST_DIR}/GyroLayers.cmake)
gyro_check_layers("${SRC}" offences)
if(offences)
    foreach(o IN LISTS offences)
        message(SEND_ERROR "Layer broken: ${o}")
    endforeach()
    message(FATAL_ERROR "Includes against the layers: see above.")
endif()
