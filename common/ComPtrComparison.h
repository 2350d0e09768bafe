#pragma once
// Included into every C++ source by the build. MinGW's ComPtr has no
// comparison operators of its own: `a == b` on two ComPtrs converts both to
// "is set" and compares those, so any two live objects compare equal. Comparing
// two ComPtrs is therefore refused; compare .Get() or use SameObject
// (ComIdentity.h) for COM identity.
#include <wrl/client.h>

namespace Microsoft::WRL {

template <class T, class U>
bool operator==(const ComPtr<T>&, const ComPtr<U>&) = delete;
template <class T, class U>
bool operator!=(const ComPtr<T>&, const ComPtr<U>&) = delete;

}  // namespace Microsoft::WRL
