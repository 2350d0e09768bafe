#pragma once
// COM identity: whether two interface pointers belong to one object. MinGW's
// ComPtr has no operator==: a == b on two ComPtrs compares them only as
// "non-null", so identities are compared through their raw pointers here.
#include <windows.h>
#include <unknwn.h>

#include <wrl/client.h>

namespace tessary {

// The object's IUnknown, which stands for its identity; null for none.
inline Microsoft::WRL::ComPtr<IUnknown> Identity(IUnknown* object) {
  Microsoft::WRL::ComPtr<IUnknown> identity;
  if (object) object->QueryInterface(IID_PPV_ARGS(&identity));
  return identity;
}

inline bool SameObject(IUnknown* a, IUnknown* b) {
  const Microsoft::WRL::ComPtr<IUnknown> first = Identity(a);
  return first && first.Get() == Identity(b).Get();
}

}  // namespace tessary
