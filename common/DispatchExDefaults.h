#pragma once
// IDispatchEx for objects whose members are fixed: the members that enumerate,
// describe or delete members are not supported.
#include <windows.h>
#include <dispex.h>

namespace tessary {

class DispatchExDefaults : public IDispatchEx {
 public:
  IFACEMETHODIMP DeleteMemberByName(BSTR, DWORD) override { return E_NOTIMPL; }
  IFACEMETHODIMP DeleteMemberByDispID(DISPID) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetMemberProperties(DISPID, DWORD, DWORD*) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetMemberName(DISPID, BSTR*) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetNextDispID(DWORD, DISPID, DISPID*) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetNameSpaceParent(IUnknown**) override { return E_NOTIMPL; }

 protected:
  ~DispatchExDefaults() = default;
};

}  // namespace tessary
