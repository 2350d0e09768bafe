#include "CExtension.h"

#include <string>

#include "Bstr.h"
#include "CSimpleScriptSite.h"
#include "CpageletModule.h"
#include "ExceptionBarrier.h"

namespace tessary::pagelet {

INTERFACEDATA* CExtension::MethodTable() {
  static ScriptMethodTable table(TESSARY_SCRIPT_METHODS(TESSARY_CONTENT_EXTENSION_METHODS));
  return table.Data();
}

void CExtension::send(BSTR str) {
  return ScriptMethodBarrier([&] { site_.Send(str); });
}
void CExtension::setOnMessage(IDispatch* disp) {
  return ScriptMethodBarrier([&] { site_.SetOnMessage(disp); });
}
void CExtension::connect() {
  return ScriptMethodBarrier([&] { site_.Connect(); });
}
void CExtension::prepareDialog(BSTR name, BSTR content, IDispatch* cb) {
  return ScriptMethodBarrier([&] { site_.PrepareDialog(name, content, cb); });
}
void CExtension::setTimeout(IDispatch* fn, int to) {
  return ScriptMethodBarrier([&] { site_.SetTimeout(fn, to); });
}
void CExtension::log(BSTR text) {
  return ScriptMethodBarrier([&] {
    if (CpageletModule::Get().DebugMode()) site_.HostLog(std::wstring(BstrView(text)));
  });
}
// No frame is handed out: a constant answer, which nothing can make throw.
IDispatch* CExtension::frames(int) { return nullptr; }
void CExtension::setHandler(IDispatch* el, BSTR evtname, IDispatch* handler) {
  return ScriptMethodBarrier([&] { site_.SetHandler(el, evtname, handler); });
}
VARIANT_BOOL CExtension::isActiveTab() {
  return ScriptMethodBarrier(VARIANT_FALSE, [&] { return site_.IsActiveTab() ? VARIANT_TRUE : VARIANT_FALSE; });
}

}  // namespace tessary::pagelet
