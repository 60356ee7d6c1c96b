# cmake -P script run by the install.host test (variables from tests/install/CMakeLists.txt).
# 1. cmake --install BUILD_DIR into WORK_DIR/prefix (emptied first);
# 2. configure and build HOST_SOURCE_DIR in WORK_DIR/host with CMAKE_PREFIX_PATH on
#    the prefix, using the same compiler (or toolchain file) and configuration;
#    (MinGW: with auto-import off, so that only real dllimport declarations link);
# 3. run the host (through EMULATOR when cross-compiling) and require exit code 0
#    and the line "host: ok".

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    message("${output}")
    if(NOT result EQUAL 0)
        list(JOIN ARGN " " command)
        message(FATAL_ERROR "failed (${result}): ${command}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

set(prefix ${WORK_DIR}/prefix)
set(host_build ${WORK_DIR}/host)
file(REMOVE_RECURSE ${prefix} ${host_build})

set(config_args)
if(CONFIG)
    set(config_args --config ${CONFIG})
endif()
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix} ${config_args})

set(configure_args -S ${HOST_SOURCE_DIR} -B ${host_build} -G ${GENERATOR}
    -D CMAKE_PREFIX_PATH=${prefix} -D CMAKE_BUILD_TYPE=${CONFIG})
if(TOOLCHAIN_FILE)
    # The toolchain's find root must also cover the prefix.
    list(APPEND configure_args -D CMAKE_TOOLCHAIN_FILE=${TOOLCHAIN_FILE} -D CMAKE_FIND_ROOT_PATH=${prefix})
else()
    list(APPEND configure_args -D CMAKE_CXX_COMPILER=${CXX_COMPILER})
endif()
if(MINGW)
    # Without auto-import the link fails unless the headers declare every symbol
    # the host takes from the DLL __declspec(dllimport), data members included.
    list(APPEND configure_args -D "CMAKE_EXE_LINKER_FLAGS=-Wl,--disable-auto-import")
endif()
if(SANITIZE STREQUAL "address")
    # An instrumented library needs an instrumented program to load it.
    list(APPEND configure_args -D "CMAKE_CXX_FLAGS=-fsanitize=address,undefined"
        -D "CMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined")
elseif(SANITIZE STREQUAL "thread")
    list(APPEND configure_args -D "CMAKE_CXX_FLAGS=-fsanitize=thread" -D "CMAKE_EXE_LINKER_FLAGS=-fsanitize=thread")
endif()
run(${CMAKE_COMMAND} ${configure_args})
run(${CMAKE_COMMAND} --build ${host_build} ${config_args})

find_program(host NAMES host host.exe PATHS ${host_build} ${host_build}/${CONFIG} NO_DEFAULT_PATH NO_CACHE REQUIRED)
if(EMULATOR)
    # The mingw runtime DLLs are installed with the library.
    set(ENV{WINEPATH} ${prefix}/bin)
endif()
run(${EMULATOR} ${host})
if(NOT output MATCHES "host: ok")
    message(FATAL_ERROR "the host did not report success")
endif()

# 4. Natively, the same host once more without CMake: compiled and linked with the
#    flags of the installed pkg-config file, and run without LD_LIBRARY_PATH.
find_program(pkg_config pkg-config NO_CACHE)
if(NOT EMULATOR AND NOT MINGW AND pkg_config)
    set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
    execute_process(COMMAND ${pkg_config} --cflags --libs shapeexport
        OUTPUT_VARIABLE flags OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(flags UNIX_COMMAND "${flags}")
    set(sanitize_flags)
    if(SANITIZE STREQUAL "address")
        set(sanitize_flags -fsanitize=address,undefined)
    elseif(SANITIZE STREQUAL "thread")
        set(sanitize_flags -fsanitize=thread)
    endif()
    # (No run path of our own: the pkg-config flags carry it.)
    run(${CXX_COMPILER} -std=c++17 ${sanitize_flags} ${HOST_SOURCE_DIR}/main.cpp ${flags}
        -o ${host_build}/host-pkg-config)
    run(${host_build}/host-pkg-config)
    if(NOT output MATCHES "host: ok")
        message(FATAL_ERROR "the host built with pkg-config did not report success")
    endif()
endif()
