# Runs "quarrow-mediagen theme" into an empty folder and fails unless it makes exactly the files of the
# committed theme folder, byte for byte. Only the files at the folder's top level count: its sub-folders
# hold the game command's images and are compared with that command's output.
#   cmake -DGENERATOR=<quarrow-mediagen> -DOUTPUT=<scratch folder> -DCOMMITTED=<media folder> -P CheckTheme.cmake
file(REMOVE_RECURSE "${OUTPUT}")
execute_process(COMMAND "${GENERATOR}" theme "${OUTPUT}" RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "quarrow-mediagen theme failed with ${status}")
endif()
file(GLOB made LIST_DIRECTORIES false RELATIVE "${OUTPUT}" "${OUTPUT}/*")
file(GLOB committed LIST_DIRECTORIES false RELATIVE "${COMMITTED}" "${COMMITTED}/*")
list(SORT made)
list(SORT committed)
if(NOT made STREQUAL committed)
    message(FATAL_ERROR "the generator makes [${made}] but the folder holds [${committed}]")
endif()
list(LENGTH made count)
foreach(name IN LISTS made)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${OUTPUT}/${name}" "${COMMITTED}/${name}"
                    RESULT_VARIABLE differs)
    if(NOT differs EQUAL 0)
        message(FATAL_ERROR "${name} differs from the committed file: remake the folder with quarrow-mediagen theme")
    endif()
endforeach()
message(STATUS "${count} theme images identical")
