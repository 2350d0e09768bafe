// callback_floor32.exe <size> <count> <result file>: the floor of a 32-bit
// tab's round trip to the 64-bit host (CallbackFloor.h), measured from a
// 32-bit process; writes the microseconds per round trip into the file.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "CallbackFloor.h"

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 1;
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 2;
  const double floor = tessary::bench::CallbackFloorMicroseconds(_wtoi(argv[1]), _wtoi(argv[2]));
  ::CoUninitialize();
  FILE* result = _wfopen(argv[3], L"w");
  if (!result) return 3;
  std::fprintf(result, "%.3f\n", floor);
  std::fclose(result);
  return floor > 0 ? 0 : 4;
}
