# Header-only host packages for a cross build.
#
# The cross compiler must never see the host's /usr/include as a whole: its C
# library and system headers are Linux ones and would shadow the mingw-w64 sysroot.
# Only the folders of header-only packages (RapidJSON, fast_float; the Assimp structure
# headers that the meshes subsystem reads) are linked into
# <build>/host-headers/include, and <build>/host-headers is made a find root, so
# the usual find_path(... rapidjson/reader.h) or find_path(... assimp/mesh.h)
# works unchanged. Host libraries stay invisible: find_package(assimp) fails in a
# cross build, which is how targets that need the Assimp importer are left out.
set(SHAPEEXPORT_HOST_INCLUDE_DIR /usr/include CACHE PATH
    "Host include folder that header-only packages are taken from in a cross build")
set(SHAPEEXPORT_HOST_HEADER_FOLDERS rapidjson fast_float assimp CACHE STRING
    "Folders of SHAPEEXPORT_HOST_INCLUDE_DIR (or patterns) made visible to the cross compiler")

set(SHAPEEXPORT_HOST_HEADERS_ROOT ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${SHAPEEXPORT_HOST_HEADERS_ROOT}/include)
foreach(pattern IN LISTS SHAPEEXPORT_HOST_HEADER_FOLDERS)
    file(GLOB folders LIST_DIRECTORIES true RELATIVE ${SHAPEEXPORT_HOST_INCLUDE_DIR}
        ${SHAPEEXPORT_HOST_INCLUDE_DIR}/${pattern})
    if(NOT folders)
        message(STATUS "Host headers: ${SHAPEEXPORT_HOST_INCLUDE_DIR}/${pattern} not found")
    endif()
    foreach(folder IN LISTS folders)
        set(link ${SHAPEEXPORT_HOST_HEADERS_ROOT}/include/${folder})
        if(IS_DIRECTORY ${SHAPEEXPORT_HOST_INCLUDE_DIR}/${folder} AND NOT EXISTS ${link})
            file(CREATE_LINK ${SHAPEEXPORT_HOST_INCLUDE_DIR}/${folder} ${link} SYMBOLIC COPY_ON_ERROR)
        endif()
    endforeach()
endforeach()
list(APPEND CMAKE_FIND_ROOT_PATH ${SHAPEEXPORT_HOST_HEADERS_ROOT})
# System headers, as they are natively from /usr/include: our warnings stay off
# them (GCC treats a folder given with both -I and -isystem as a system folder).
add_compile_options(-isystem${SHAPEEXPORT_HOST_HEADERS_ROOT}/include)
