#pragma once
// The content scripts' `extension` object. The standard dispatcher calls these
// methods by virtual-table slot, so their order is the member table's.
#include <windows.h>
#include <oleauto.h>

namespace tessary::pagelet {

class CSimpleScriptSite;

// The operations in slot order, each doing nothing by default.
class CExtensionProt {
 public:
  virtual void STDMETHODCALLTYPE send(BSTR) {}
  virtual void STDMETHODCALLTYPE setOnMessage(IDispatch*) {}
  virtual void STDMETHODCALLTYPE connect() {}
  virtual void STDMETHODCALLTYPE prepareDialog(BSTR, BSTR, IDispatch*) {}
  virtual void STDMETHODCALLTYPE log(BSTR) {}
  virtual void STDMETHODCALLTYPE setTimeout(IDispatch*, int) {}
  virtual IDispatch* STDMETHODCALLTYPE frames(int) { return nullptr; }
  virtual void STDMETHODCALLTYPE setHandler(IDispatch*, BSTR, IDispatch*) {}
  virtual VARIANT_BOOL STDMETHODCALLTYPE isActiveTab() { return VARIANT_FALSE; }

 protected:
  ~CExtensionProt() = default;
};

// Every operation but `log` goes to the site of its script context.
class CExtension final : public CExtensionProt {
 public:
  explicit CExtension(CSimpleScriptSite& site) : site_(site) {}
  static INTERFACEDATA* MethodTable();

  void STDMETHODCALLTYPE send(BSTR str) override;
  void STDMETHODCALLTYPE setOnMessage(IDispatch* disp) override;
  void STDMETHODCALLTYPE connect() override;
  void STDMETHODCALLTYPE prepareDialog(BSTR name, BSTR content, IDispatch* cb) override;
  void STDMETHODCALLTYPE setTimeout(IDispatch* fn, int to) override;
  // Through the host's log for an extension in development; nothing otherwise.
  void STDMETHODCALLTYPE log(BSTR text) override;
  IDispatch* STDMETHODCALLTYPE frames(int index) override;
  void STDMETHODCALLTYPE setHandler(IDispatch* el, BSTR evtname, IDispatch* handler) override;
  VARIANT_BOOL STDMETHODCALLTYPE isActiveTab() override;

 private:
  CSimpleScriptSite& site_;
};

}  // namespace tessary::pagelet
