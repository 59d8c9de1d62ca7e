# The layers of the source folders, lowest first, and which folders each may include:
#   numerics <- settings <- simulation, orbital <- scene, sheets <- kelaxes <- draw3d <- dataplot <- ui <- app
# simulation and orbital stand side by side: neither includes the other. scene (the 3D scene's
# model, plain C++) and sheets (workbook reading, plain C++) stand side by side too; the drawing
# folders below dataplot never need sheets. The Python module (python) sits on the plain C++
# folders only: it never needs Qt. A folder always includes its own files, and names every
# project header with its folder. Used by the project (a check before every library is built)
# and by the test that runs cmake/CheckLayers.cmake.
set(GYRO_LAYER_FOLDERS numerics settings simulation orbital scene sheets kelaxes draw3d dataplot ui app python)
set(GYRO_LAYER_numerics "")
set(GYRO_LAYER_settings numerics)
set(GYRO_LAYER_simulation numerics settings)
set(GYRO_LAYER_orbital numerics settings)
set(GYRO_LAYER_scene numerics settings simulation orbital)
set(GYRO_LAYER_sheets numerics settings simulation)
set(GYRO_LAYER_kelaxes numerics settings simulation orbital scene)
set(GYRO_LAYER_draw3d numerics settings simulation orbital scene kelaxes)
set(GYRO_LAYER_dataplot numerics settings simulation orbital scene sheets kelaxes draw3d)
set(GYRO_LAYER_ui numerics settings simulation orbital scene sheets kelaxes draw3d dataplot)
set(GYRO_LAYER_app numerics settings simulation orbital scene sheets kelaxes draw3d dataplot ui)
set(GYRO_LAYER_python numerics settings simulation)

# gyro_check_layers(<src folder> <result variable>): the list of offending lines, each as
# "file: #include ..." (empty when every include keeps to the layers).
function(gyro_check_layers src result)
    set(found "")
    foreach(folder IN LISTS GYRO_LAYER_FOLDERS)
        file(GLOB_RECURSE files "${src}/${folder}/*.h" "${src}/${folder}/*.cpp")
        foreach(f IN LISTS files)
            file(STRINGS "${f}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"]")
            foreach(line IN LISTS includes)
                # A project header is named from src/ ("simulation/rundriver.h"), so that a
                # file reads the same wherever it stands; only moc's generated files are not.
                if(line MATCHES "include[ \t]*\"[^\"/]+\"" AND NOT line MATCHES "\\.moc\"")
                    file(RELATIVE_PATH rel "${src}" "${f}")
                    list(APPEND found "${rel} (include without its folder): ${line}")
                    continue()
                endif()
                if(NOT line MATCHES "include[ \t]*[<\"](\\.\\./)*([A-Za-z0-9_]+)/")
                    continue()
                endif()
                set(target "${CMAKE_MATCH_2}")
                if(target STREQUAL folder OR NOT target IN_LIST GYRO_LAYER_FOLDERS)
                    continue()
                endif()
                if(NOT target IN_LIST GYRO_LAYER_${folder})
                    file(RELATIVE_PATH rel "${src}" "${f}")
                    list(APPEND found "${rel} (${folder} may not include ${target}): ${line}")
                endif()
            endforeach()
        endforeach()
    endforeach()
    set(${result} "${found}" PARENT_SCOPE)
endfunction()

# In the project: a check that runs before any library is compiled, so that a build fails at
# once on an include against the layers.
if(NOT CMAKE_SCRIPT_MODE_FILE)
    add_custom_target(gyro_check_layers
                      COMMAND ${CMAKE_COMMAND} -DSRC=${CMAKE_SOURCE_DIR}/src
                              -P ${CMAKE_CURRENT_LIST_DIR}/CheckLayers.cmake
                      COMMENT "Checking the includes against the layers"
                      VERBATIM)
endif()
