# tarn_library(<name> [INTERFACE] [SOURCES ...] [HEADERS ...] [PUBLIC ...] [PRIVATE ...])
#
# One library of one folder. A target sees only the headers of the targets it links: each
# library gets an include tree of its own in the build directory, holding links to exactly the
# headers it lists, under the folder's name ("usb/usbdevice.h"). No target has the source root
# on its include path, so an include that crosses a folder boundary the wrong way fails to build.
function(tarn_library name)
    cmake_parse_arguments(ARG "INTERFACE" "" "SOURCES;HEADERS;PUBLIC;PRIVATE" ${ARGN})
    file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
    set(tree ${PROJECT_BINARY_DIR}/include/${name})
    file(REMOVE_RECURSE ${tree})
    foreach(header ${ARG_HEADERS})
        get_filename_component(subfolder ${folder}/${header} DIRECTORY)
        file(MAKE_DIRECTORY ${tree}/${subfolder})
        file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${header} ${tree}/${folder}/${header}
             SYMBOLIC)
    endforeach()
    if(ARG_INTERFACE)
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${tree})
        target_link_libraries(${name} INTERFACE ${ARG_PUBLIC})
    else()
        add_library(${name} STATIC ${ARG_SOURCES} ${ARG_HEADERS})
        target_include_directories(${name} PUBLIC ${tree})
        target_link_libraries(${name} PUBLIC ${ARG_PUBLIC} PRIVATE ${ARG_PRIVATE})
    endif()
endfunction()
