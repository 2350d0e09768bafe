// Objects made for the binary's own use are freed by their last release: a
// reference that ComPtr adopts is not counted a second time.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include "ComObject.h"

using Microsoft::WRL::ComPtr;

namespace tessary {
namespace {

class Tracked : public ComObjectRoot, public IUnknown {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {{}};
    return interfaces;
  }
  explicit Tracked(bool* alive) : alive_(alive) { *alive_ = true; }
  ~Tracked() { *alive_ = false; }

 private:
  bool* alive_;
};

TEST(ComObject, AnObjectOfItsOwnIsFreedByItsLastRelease) {
  bool alive = false;
  ComPtr<Tracked> object = MakeComObject<Tracked>(&alive);
  ComPtr<IUnknown> second = object;
  object.Reset();
  EXPECT_TRUE(alive);
  second.Reset();
  EXPECT_FALSE(alive);
}

TEST(ComObject, AnAdoptedReferenceIsReleasedOnce) {
  IStream* raw = nullptr;
  ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, &raw), S_OK);
  raw->AddRef();  // the test's own, to read the count afterwards
  { ComPtr<IStream> adopted = Adopt(raw); }
  EXPECT_EQ(raw->Release(), 0u);
}

}  // namespace
}  // namespace tessary
