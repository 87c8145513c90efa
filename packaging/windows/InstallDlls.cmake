# Run at install time: copies the DLLs the programs and plugins load from the
# SDK and the compiler's runtime into the program folder, following them from
# DLL to DLL. Windows' own DLLs are found in none of those folders and stay out.
# Expects TRELOMAR_BINARIES, TRELOMAR_MODULES, TRELOMAR_DLL_DIRS, TRELOMAR_OBJDUMP, TRELOMAR_BIN_DESTINATION.
cmake_policy(VERSION 3.25)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_PLATFORM windows+pe)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_TOOL objdump)
set(CMAKE_GET_RUNTIME_DEPENDENCIES_COMMAND ${TRELOMAR_OBJDUMP})

# CMake looks Windows names up in lower case; the folders here are case-sensitive.
set(by_lower_name)
foreach(dir ${TRELOMAR_DLL_DIRS})
    file(GLOB dlls ${dir}/*.dll)
    foreach(dll ${dlls})
        get_filename_component(name ${dll} NAME)
        string(TOLOWER ${name} lower)
        if(NOT DEFINED path_of_${lower})
            set(path_of_${lower} ${dll})
        endif()
    endforeach()
endforeach()

set(libraries)
set(copied)
while(TRUE)
    file(GET_RUNTIME_DEPENDENCIES
        EXECUTABLES ${TRELOMAR_BINARIES}
        MODULES ${TRELOMAR_MODULES}
        LIBRARIES ${libraries}
        RESOLVED_DEPENDENCIES_VAR found
        UNRESOLVED_DEPENDENCIES_VAR unresolved
        DIRECTORIES ${TRELOMAR_DLL_DIRS})
    set(more FALSE)
    foreach(name ${unresolved})
        string(TOLOWER ${name} lower)
        if(DEFINED path_of_${lower} AND NOT path_of_${lower} IN_LIST libraries)
            list(APPEND libraries ${path_of_${lower}})
            set(more TRUE)
        endif()
    endforeach()
    if(NOT more)
        break()
    endif()
endwhile()
list(APPEND found ${libraries})
list(REMOVE_DUPLICATES found)
file(INSTALL ${found} DESTINATION ${TRELOMAR_BIN_DESTINATION})
