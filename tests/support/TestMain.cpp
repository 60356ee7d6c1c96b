// Entry point of every test executable.
//
// On Windows, stdout is switched to binary mode first: in text mode every "\n"
// becomes "\r\n", and CTest's test discovery would keep the "\r" in the suite and
// test names it reads from --gtest_list_tests, so each discovered test would
// filter for a name that does not exist and run nothing.
#include <gtest/gtest.h>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
