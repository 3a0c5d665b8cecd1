// The entry of the test programs built for Windows. Standard output goes to
// binary mode: in text mode every LF becomes CR LF, and the test list that
// CTest reads back through Wine would carry a CR in every test name.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
  _setmode(_fileno(stdout), _O_BINARY);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
