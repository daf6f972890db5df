# Each library of the tree publishes its own headers and no one else's.
#
#   vexo_publish_headers(target [FOLDERS folder...] [HEADERS header...] [EXCLUDE header...])
#
# The headers of the given folders (relative to the calling CMakeLists.txt; "." when neither
# FOLDERS nor HEADERS is given), or the headers named, less those EXCLUDEd (published by another
# library of the same folder), are linked into an include folder of the
# target's own, under their paths from the source root. The target and whatever links it then
# write #include "importer/files/text.h" as everywhere else, but a header of a library that is
# not linked is not found: the build refuses an include that skips the layering.
function(vexo_publish_headers target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "FOLDERS;HEADERS;EXCLUDE")
    if(NOT arg_FOLDERS AND NOT arg_HEADERS)
        set(arg_FOLDERS .)
    endif()

    set(headers)
    foreach(folder IN LISTS arg_FOLDERS)
        file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.h)
        list(APPEND headers ${found})
    endforeach()
    foreach(header IN LISTS arg_HEADERS)
        list(APPEND headers ${CMAKE_CURRENT_SOURCE_DIR}/${header})
    endforeach()

    foreach(header IN LISTS arg_EXCLUDE)
        list(REMOVE_ITEM headers ${CMAKE_CURRENT_SOURCE_DIR}/${header})
    endforeach()

    set(root ${CMAKE_BINARY_DIR}/include/${target})
    # Made afresh at every configure, so that a header that is gone does not linger.
    file(REMOVE_RECURSE ${root})
    foreach(header IN LISTS headers)
        cmake_path(NORMAL_PATH header)
        file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${header})
        cmake_path(GET relative PARENT_PATH folder)
        file(MAKE_DIRECTORY ${root}/${folder})
        file(CREATE_LINK ${header} ${root}/${relative} SYMBOLIC)
    endforeach()

    get_target_property(type ${target} TYPE)
    if(type STREQUAL INTERFACE_LIBRARY)
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()

# The headers of a whole folder of the source tree (say "tests"), published as one link to it:
# for the tests' and fuzz targets' own helpers, which see product headers only through the
# libraries they link.
function(vexo_publish_folder target folder)
    set(root ${CMAKE_BINARY_DIR}/include/${target})
    cmake_path(GET folder PARENT_PATH parent)
    file(REMOVE_RECURSE ${root})
    file(MAKE_DIRECTORY ${root}/${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
    target_include_directories(${target} INTERFACE ${root})
endfunction()
