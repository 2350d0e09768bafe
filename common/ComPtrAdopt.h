#pragma once
// Taking over a reference that was handed out (a new object, an [out] result).
// MinGW's ComPtr::Attach adds a reference of its own, unlike the Windows SDK's,
// so whatever is attached with it is never freed: adopt references with this.
#include <wrl/client.h>

namespace tessary {

template <class T>
Microsoft::WRL::ComPtr<T> Adopt(T* reference) {
  Microsoft::WRL::ComPtr<T> owner;
  *owner.GetAddressOf() = reference;
  return owner;
}

}  // namespace tessary
