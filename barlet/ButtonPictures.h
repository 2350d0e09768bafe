#pragma once
// The four pictures of the toolbar button, drawn with GDI+: started by the
// first toolbar that needs them in the process and loaded from the module's
// "PNG" resources; shut down by the end of any toolbar window, after which the
// next paint starts GDI+ again.
#include <windows.h>

#include <array>

namespace Gdiplus {
class GpBitmap;
}

namespace tessary::barlet {

class ButtonPictures {
 public:
  ButtonPictures() = default;
  ButtonPictures(const ButtonPictures&) = delete;
  ButtonPictures& operator=(const ButtonPictures&) = delete;

  // Starts GDI+ and loads every picture unless that was done; false when
  // GDI+ did not start or a picture is missing (the next call tries again).
  bool Load();
  // Frees the pictures and shuts GDI+ down.
  void Shutdown();

  // Draws the picture for the state and the hover into the device context,
  // its top-left corner at (x, 0); false when the pictures could not be loaded.
  bool Paint(HDC dc, int x, bool set, bool hover);

 private:
  // In the order they are loaded.
  enum Slot { kSetNormal, kClearNormal, kSetHover, kClearHover, kSlots };

  void FreePictures();

  ULONG_PTR token_ = 0;
  std::array<Gdiplus::GpBitmap*, kSlots> pictures_ = {};
};

}  // namespace tessary::barlet
