#pragma once
// The system's "Javascript" engine, hosted for tests: objects under test are
// added as named items and driven by real script code.
#include <windows.h>
#include <activscp.h>

#include <string>

#include <wrl/client.h>

namespace tessary::test {

class ScriptEngine {
 public:
  ScriptEngine();
  ~ScriptEngine();
  ScriptEngine(const ScriptEngine&) = delete;
  ScriptEngine& operator=(const ScriptEngine&) = delete;

  bool IsValid() const { return parse_ != nullptr; }
  // A global object of the scripts; its members are globals too when `global`.
  HRESULT AddObject(const std::wstring& name, IUnknown* object, bool global = false);
  // Runs statements; a script error fails the call and is kept in LastError().
  HRESULT Run(const std::wstring& code);
  // Evaluates an expression into result.
  HRESULT Eval(const std::wstring& expression, VARIANT* result);
  std::wstring EvalString(const std::wstring& expression);
  // "line N: message" of the last script error, or empty.
  const std::wstring& LastError() const;

 private:
  class Site;
  HRESULT Parse(const std::wstring& text, DWORD flags, VARIANT* result);
  Microsoft::WRL::ComPtr<Site> site_;
  Microsoft::WRL::ComPtr<IActiveScript> script_;
  Microsoft::WRL::ComPtr<IActiveScriptParse> parse_;
};

}  // namespace tessary::test
