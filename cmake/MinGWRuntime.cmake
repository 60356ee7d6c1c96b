# The mingw-w64 runtime DLLs that every executable and DLL of a MinGW build loads:
# libstdc++, libgcc's SEH unwinder and winpthreads. They are linked dynamically
# (one runtime shared by ShapeExport, KorDom and the host, so that containers,
# strings and exceptions cross the DLL boundaries safely), copied into the
# folder of the built executables so that Windows or wine finds them there, and
# installed beside the libraries' DLLs.
set(SHAPEEXPORT_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
        OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(IS_ABSOLUTE "${path}" AND EXISTS "${path}")
        file(REAL_PATH "${path}" path)
        list(APPEND SHAPEEXPORT_MINGW_RUNTIME_DLLS ${path})
    else()
        # A native MinGW installation keeps them on PATH instead.
        message(STATUS "MinGW runtime: ${dll} not found beside the compiler")
    endif()
endforeach()

if(SHAPEEXPORT_MINGW_RUNTIME_DLLS)
    file(COPY ${SHAPEEXPORT_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
    install(FILES ${SHAPEEXPORT_MINGW_RUNTIME_DLLS} DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
