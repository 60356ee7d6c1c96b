# Flags shared by every target of the project.

# Geometry results must agree bit for bit with the reference behaviour: no fused
# multiply-add contraction, no fast-math, no host-specific instruction sets.
if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
    add_compile_options(-ffp-contract=off)
elseif(MSVC)
    add_compile_options(/fp:precise)
endif()

if(SHAPEEXPORT_SANITIZE STREQUAL "address")
    # GCC's "undefined" leaves out float-cast-overflow (a double out of an int's range).
    set(SHAPEEXPORT_SANITIZER_FLAGS -fsanitize=address,undefined,float-cast-overflow)
    add_compile_options(-fno-sanitize-recover=all)
elseif(SHAPEEXPORT_SANITIZE STREQUAL "thread")
    set(SHAPEEXPORT_SANITIZER_FLAGS -fsanitize=thread)
elseif(SHAPEEXPORT_SANITIZE)
    message(FATAL_ERROR "SHAPEEXPORT_SANITIZE: 'address' or 'thread', not '${SHAPEEXPORT_SANITIZE}'")
endif()
if(SHAPEEXPORT_SANITIZER_FLAGS)
    add_compile_options(${SHAPEEXPORT_SANITIZER_FLAGS} -fno-omit-frame-pointer)
    add_link_options(${SHAPEEXPORT_SANITIZER_FLAGS})
endif()

if(SHAPEEXPORT_BUILD_FUZZERS)
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer
        -fsanitize-ignorelist=${PROJECT_SOURCE_DIR}/fuzz/ubsan-ignorelist.txt)
    add_link_options(-fsanitize=address,undefined)
endif()

function(shapeexport_set_warnings target)
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
    elseif(MSVC)
        target_compile_options(${target} PRIVATE /W4)
    endif()
endfunction()

# Doubles must be evaluated in double precision (SSE2), never in the x87's 80-bit
# registers: FLT_EVAL_METHOD 0. True by default for x86_64 (Linux and Windows) and
# AArch64; a 32-bit x86 build would need -msse2 -mfpmath=sse.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles([[
#include <cfloat>
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "floating-point expressions are evaluated with excess precision"
#endif
int main() { return 0; }
]] SHAPEEXPORT_DOUBLE_EVALUATION)
if(NOT SHAPEEXPORT_DOUBLE_EVALUATION)
    message(FATAL_ERROR "The compiler evaluates floating point with excess precision "
        "(FLT_EVAL_METHOD != 0); geometry results would differ from other platforms.")
endif()
