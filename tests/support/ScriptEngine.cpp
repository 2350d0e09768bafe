#include "ScriptEngine.h"

#include <shlwapi.h>

#include <map>

#include "Bstr.h"
#include "ComObject.h"
#include "ExceptionInfo.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {

class ScriptEngine::Site : public ComObjectRoot, public IActiveScriptSite {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(Site, IActiveScriptSite), {}};
    return interfaces;
  }

  std::map<std::wstring, ComPtr<IUnknown>> items;
  std::wstring lastError;

  IFACEMETHODIMP GetLCID(LCID*) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override {
    if (item) *item = nullptr;
    if (info) *info = nullptr;
    auto found = items.find(name);
    if (found == items.end()) return TYPE_E_ELEMENTNOTFOUND;
    if ((mask & SCRIPTINFO_IUNKNOWN) && item) found->second.CopyTo(item);
    return S_OK;
  }
  IFACEMETHODIMP GetDocVersionString(BSTR*) override { return E_NOTIMPL; }
  IFACEMETHODIMP OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
  IFACEMETHODIMP OnStateChange(SCRIPTSTATE) override { return S_OK; }
  IFACEMETHODIMP OnScriptError(IActiveScriptError* error) override {
    ExceptionInfo info;
    error->GetExceptionInfo(info.Put());
    DWORD context = 0;
    ULONG line = 0;
    LONG column = 0;
    error->GetSourcePosition(&context, &line, &column);
    lastError = L"line " + std::to_wstring(line + 1) + L": " +
                (info.Get().bstrDescription ? std::wstring(info.Description()) : L"(no description)") + L" (scode " +
                std::to_wstring(info.Get().scode) + L")";
    return S_OK;
  }
  IFACEMETHODIMP OnEnterScript() override { return S_OK; }
  IFACEMETHODIMP OnLeaveScript() override { return S_OK; }
};

ScriptEngine::ScriptEngine() : site_(MakeComObject<Site>()) {
  CLSID clsid;
  if (FAILED(::CLSIDFromProgID(L"Javascript", &clsid))) return;
  if (FAILED(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&script_)))) return;
  ComPtr<IActiveScriptParse> parse;
  if (FAILED(script_.As(&parse)) || FAILED(script_->SetScriptSite(site_.Get())) || FAILED(parse->InitNew()) ||
      FAILED(script_->SetScriptState(SCRIPTSTATE_STARTED))) {
    return;
  }
  parse_ = parse;
}

ScriptEngine::~ScriptEngine() {
  if (script_) script_->Close();
}

HRESULT ScriptEngine::AddObject(const std::wstring& name, IUnknown* object, bool global) {
  site_->items[name] = object;
  DWORD flags = SCRIPTITEM_ISVISIBLE | (global ? SCRIPTITEM_GLOBALMEMBERS : 0);
  return script_->AddNamedItem(name.c_str(), flags);
}

HRESULT ScriptEngine::Run(const std::wstring& code) { return Parse(code, SCRIPTTEXT_ISVISIBLE, nullptr); }

HRESULT ScriptEngine::Eval(const std::wstring& expression, VARIANT* result) {
  return Parse(expression, SCRIPTTEXT_ISEXPRESSION, result);
}

HRESULT ScriptEngine::Parse(const std::wstring& text, DWORD flags, VARIANT* result) {
  site_->lastError.clear();
  ExceptionInfo exception;
  return parse_->ParseScriptText(text.c_str(), nullptr, nullptr, nullptr, 0, 0, flags, result, exception.Put());
}

std::wstring ScriptEngine::EvalString(const std::wstring& expression) {
  Variant result;
  if (FAILED(Eval(expression, result.Get()))) return L"<error: " + site_->lastError + L">";
  if (FAILED(::VariantChangeType(result.Get(), result.Get(), 0, VT_BSTR))) return L"<not a string>";
  return result->bstrVal ? result->bstrVal : L"";
}

const std::wstring& ScriptEngine::LastError() const { return site_->lastError; }

}  // namespace tessary::test
