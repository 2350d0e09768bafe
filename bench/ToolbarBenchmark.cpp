// The toolbar's paint against its floor, in microseconds per paint (medians):
//   (a) the floor: a bare GDI+ DrawImage of the same picture (PNG 220, from
//       barlet.dll) on the same toolbar window, with the device context and
//       the graphics object that any drawing needs made and freed around it;
//   (b) the toolbar's WM_PAINT handling: WM_PAINT sent to the invalidated
//       window (BeginPaint, the GDI+ drawing, EndPaint); the invalidation is
//       outside the time.
// Also shown, to tell where the time goes: (c) the least that any WM_PAINT
// handler drawing the picture does (BeginPaint, the same DrawImage, EndPaint),
// BeginPaint and EndPaint alone on the invalidated window, and a whole repaint
// as the system makes it (invalidation and update). The product's
// band is registered and loaded into a frame of this process, as a tab loads
// it. The measurements take turns, round after round, so that a busy machine
// weighs on all of them alike. Goal: b <= 1.5 * a; b / c is printed too.
#include <windows.h>
#include <objbase.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include <wrl/client.h>

#include "BandFrame.h"
#include "HostRegistration.h"
#include "TestEnvironment.h"
#include "UniqueHandle.h"

using namespace Gdiplus;
using namespace Gdiplus::DllExports;
using namespace tessary;
using namespace tessary::test;

namespace {

constexpr int kRounds = 41;
constexpr int kPaintsPerRound = 25;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

// The picture the toolbar shows with the state clear and the mouse away.
GpBitmap* LoadPicture(HMODULE toolbar) {
  HRSRC found = ::FindResourceW(toolbar, MAKEINTRESOURCEW(220), L"PNG");
  const DWORD size = found ? ::SizeofResource(toolbar, found) : 0;
  const void* bytes = found ? ::LockResource(::LoadResource(toolbar, found)) : nullptr;
  HGLOBAL block = bytes ? ::GlobalAlloc(GMEM_MOVEABLE, size) : nullptr;
  if (!block) return nullptr;
  std::memcpy(::GlobalLock(block), bytes, size);
  ::GlobalUnlock(block);
  Microsoft::WRL::ComPtr<IStream> stream;
  GpBitmap* picture = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(block, TRUE, &stream)) || GdipCreateBitmapFromStream(stream.Get(), &picture) != Ok) {
    return nullptr;
  }
  return picture;
}

// One kind of paint: `prepare` runs before each, outside the time.
struct Measure {
  const char* name;
  std::function<void()> paint;
  std::function<void()> prepare;
  std::vector<double> rounds;
};

// Each round takes every measure in turn and keeps the median of its paints.
void Run(std::vector<Measure>& measures) {
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  for (int round = 0; round < kRounds; ++round) {
    for (Measure& measure : measures) {
      std::vector<double> paints;
      for (int i = 0; i < kPaintsPerRound; ++i) {
        if (measure.prepare) measure.prepare();
        LARGE_INTEGER start, end;
        ::QueryPerformanceCounter(&start);
        measure.paint();
        ::QueryPerformanceCounter(&end);
        paints.push_back((end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart);
      }
      measure.rounds.push_back(Median(paints));
    }
    // Lets the display take what was drawn, as it would between paints.
    PumpMessagesUntil([] { return false; }, 10);
  }
}

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  if (RegisterToolbar() != 0) return 2;
  std::vector<Measure> measures;
  {
    std::unique_ptr<BandFrame> frame = BandFrame::Create();
    if (!frame || frame->Toolbars().size() != 1) return 3;
    const HWND toolbar = frame->Toolbars()[0].second;
    // Its first refresh (no host program is registered) and paint are done.
    PumpMessagesUntil([] { return false; }, 500);

    GdiplusStartupInput input;
    ULONG_PTR token = 0;
    if (GdiplusStartup(&token, &input, nullptr) != Ok) return 4;
    UniqueLibrary module(::LoadLibraryExW(ToolbarLibrary().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    GpBitmap* picture = LoadPicture(module.Get());
    if (!picture) return 5;
    RECT client = {};
    ::GetClientRect(toolbar, &client);
    const int x = client.right - 36;
    const auto invalidate = [toolbar] { ::InvalidateRect(toolbar, nullptr, FALSE); };

    measures.push_back({"(a) floor: DrawImage with its DC and graphics",
                        [&] {
                          HDC dc = ::GetDC(toolbar);
                          GpGraphics* graphics = nullptr;
                          GdipCreateFromHDC(dc, &graphics);
                          GdipDrawImagePointRectI(graphics, picture, x, 0, 0, 0, 32, 32, UnitPixel);
                          GdipDeleteGraphics(graphics);
                          ::ReleaseDC(toolbar, dc);
                        },
                        nullptr,
                        {}});
    measures.push_back({"(b) the toolbar's WM_PAINT handling",
                        [toolbar] { ::SendMessageW(toolbar, WM_PAINT, 0, 0); }, invalidate, {}});
    measures.push_back({"(c) BeginPaint, DrawImage, EndPaint",
                        [&] {
                          PAINTSTRUCT paint;
                          HDC dc = ::BeginPaint(toolbar, &paint);
                          GpGraphics* graphics = nullptr;
                          GdipCreateFromHDC(dc, &graphics);
                          GdipDrawImagePointRectI(graphics, picture, x, 0, 0, 0, 32, 32, UnitPixel);
                          GdipDeleteGraphics(graphics);
                          ::EndPaint(toolbar, &paint);
                        },
                        invalidate,
                        {}});
    measures.push_back({"    BeginPaint and EndPaint alone",
                        [toolbar] {
                          PAINTSTRUCT paint;
                          ::BeginPaint(toolbar, &paint);
                          ::EndPaint(toolbar, &paint);
                        },
                        invalidate,
                        {}});
    measures.push_back({"    a whole repaint (InvalidateRect, UpdateWindow)",
                        [toolbar] {
                          ::InvalidateRect(toolbar, nullptr, FALSE);
                          ::UpdateWindow(toolbar);
                        },
                        nullptr,
                        {}});
    Run(measures);

    GdipDisposeImage(picture);
    GdiplusShutdown(token);
  }
  UnregisterToolbar();

  std::printf("toolbar benchmark: one paint of the button's picture, microseconds (median of %d rounds)\n", kRounds);
  for (const Measure& measure : measures) std::printf("  %-52s %8.1f\n", measure.name, Median(measure.rounds));
  const auto ratio = [&](size_t of, size_t to) {
    std::vector<double> ratios;
    for (int round = 0; round < kRounds; ++round) ratios.push_back(measures[of].rounds[round] / measures[to].rounds[round]);
    return Median(ratios);
  };
  const double goal = ratio(1, 0);
  std::printf("b / a = %.2f, b / c = %.2f (medians of the rounds' ratios); goal b <= 1.5 * a: %s\n", goal, ratio(1, 2),
              goal > 0 && goal <= 1.5 ? "met" : "NOT met");
  ::CoUninitialize();
  return 0;
}
