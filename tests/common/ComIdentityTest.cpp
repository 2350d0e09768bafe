// COM identity through raw IUnknown pointers: MinGW's ComPtr compares two
// pointers only as "both set", which once let any two windows pass as one.
#include <windows.h>
#include <objidl.h>

#include <gtest/gtest.h>

#include <wrl/client.h>

#include "ComIdentity.h"

using Microsoft::WRL::ComPtr;

namespace tessary {
namespace {

ComPtr<IStream> NewStream() {
  ComPtr<IStream> stream;
  EXPECT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
  return stream;
}

TEST(ComIdentity, OneObjectThroughAnyInterfaceIsItselfAndNoOtherObject) {
  const ComPtr<IStream> first = NewStream();
  const ComPtr<IStream> second = NewStream();
  ComPtr<ISequentialStream> firstAgain;
  ASSERT_EQ(first.As(&firstAgain), S_OK);

  EXPECT_TRUE(SameObject(first.Get(), firstAgain.Get()));
  EXPECT_FALSE(SameObject(first.Get(), second.Get()));
  EXPECT_FALSE(SameObject(first.Get(), nullptr));
  EXPECT_FALSE(SameObject(nullptr, nullptr));
  EXPECT_EQ(Identity(firstAgain.Get()).Get(), Identity(first.Get()).Get());
  EXPECT_NE(Identity(first.Get()).Get(), Identity(second.Get()).Get());
}

}  // namespace
}  // namespace tessary
