#pragma once
// The background page's extension methods. The standard dispatcher calls them
// by virtual-table slot: their order here is the order of the member table, and
// the class has no data, no base and no other virtual function.
#include <windows.h>
#include <oleauto.h>

namespace tessary::host {

class CExtensionBGImpl final {
 public:
  static INTERFACEDATA* MethodTable();

  virtual BSTR STDMETHODCALLTYPE getTextFile(BSTR str);
  virtual BSTR STDMETHODCALLTYPE getExtUrl();
  virtual IDispatch* STDMETHODCALLTYPE getXMLHTTPRequest();
  virtual void STDMETHODCALLTYPE log(BSTR str);
  virtual void STDMETHODCALLTYPE setOnConnect(IDispatch* cb);
  virtual void STDMETHODCALLTYPE setOnDisconnect(IDispatch* cb);
  virtual void STDMETHODCALLTYPE setOnMessage(IDispatch* cb);
  virtual void STDMETHODCALLTYPE openTab(BSTR str);
  virtual void STDMETHODCALLTYPE itemSet(BSTR key, BSTR value, IDispatch* cb);
  virtual void STDMETHODCALLTYPE itemGet(BSTR key, IDispatch* cb);
  virtual void STDMETHODCALLTYPE itemDelete(BSTR str);
  virtual void STDMETHODCALLTYPE firstRun();
  virtual void STDMETHODCALLTYPE checkUpdate();
  virtual void STDMETHODCALLTYPE setIcon(int n);
  virtual void STDMETHODCALLTYPE saveToFile(BSTR str1, BSTR str2);
  virtual int STDMETHODCALLTYPE activeTab();
};

}  // namespace tessary::host
