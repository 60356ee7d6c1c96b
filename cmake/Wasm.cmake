# The WebAssembly build (preset wasm, Emscripten): the libraries and the module of
# the JavaScript package (js/), without the tool, the tests and the Python module.
#
# Exceptions are WebAssembly exceptions (no JavaScript trampolines around calls), so
# the library's errors reach the binding at little cost. Emscripten 3.1.6's C++
# library has no std::to_chars for double, which the document writer uses: every
# source sees the declaration of js/src/Charconv.h and the module links its
# definition. The -ffp-contract=off of CompilerFlags.cmake applies here as well.
add_compile_options(-fwasm-exceptions "SHELL:-include ${PROJECT_SOURCE_DIR}/js/src/Charconv.h")
add_link_options(-fwasm-exceptions)
