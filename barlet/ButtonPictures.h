#pragma once
// The four pictures of one toolbar's button, loaded from the module's "PNG"
// resources and drawn with GDI+. Each toolbar has its own: GDI+ objects must
// not be used by two threads at once, and the toolbars of a process's tabs
// draw on their tabs' threads. GDI+ itself is the process's (GdiplusRuntime).
#include <windows.h>

#include <array>

namespace Gdiplus {
class GpBitmap;
}

namespace tessary::barlet {

class ButtonPictures {
 public:
  ButtonPictures() = default;
  // Frees the pictures, if that was not done.
  ~ButtonPictures();
  ButtonPictures(const ButtonPictures&) = delete;
  ButtonPictures& operator=(const ButtonPictures&) = delete;

  // Takes GDI+ and loads every picture unless that was done; false when
  // GDI+ did not start or a picture is missing (the next call tries again).
  bool Load();
  // Frees the pictures and lets go of GDI+.
  void Free();

  // Draws the picture for the state and the hover into the device context,
  // its top-left corner at (x, 0); false when the pictures could not be loaded.
  bool Paint(HDC dc, int x, bool set, bool hover);

 private:
  // In the order they are loaded.
  enum Slot { kSetNormal, kClearNormal, kSetHover, kClearHover, kSlots };

  void FreePictures();

  bool loaded_ = false;
  std::array<Gdiplus::GpBitmap*, kSlots> pictures_ = {};
};

}  // namespace tessary::barlet
