// Entry point of every test program: GoogleTest on a single-threaded COM
// apartment, as the host program and the browser run their objects.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "CountingModule.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  tessary::test::CountingModule module;
  const int result = RUN_ALL_TESTS();
  ::CoUninitialize();
  return result;
}
