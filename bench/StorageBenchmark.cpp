// How much the host adds to a storage call from the background script, in µs per
// operation over 100-byte values:
//   (a) the floor: a do-nothing method with itemSet's arguments and callback,
//       reached from the script engine through the same adapter and standard
//       dispatcher as the background page's object;
//   (b) LevelDB's own Put, Get and Delete from C++, on the same encoded bytes;
//   (c) itemSet, itemGet and itemDelete called from script.
// Goal: c <= 1.2 * (a + b).
#include <windows.h>
#include <dispex.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "ApiState.h"
#include "CExtension.h"
#include "CExtensionBGImpl.h"
#include "DispatchExDefaults.h"
#include "HostProcess.h"
#include "ScriptCallback.h"
#include "ScriptEngine.h"
#include "Storage.h"
#include "TableDispatch.h"
#include "TestEnvironment.h"
#include "Text.h"
#include "Variant.h"

using namespace tessary;
using namespace tessary::host;

namespace {

constexpr int kOperations = 20000;

// The floor's object: the background page's method list, every method doing
// nothing but itemSet and itemGet, which call back as the storage methods do.
#define TESSARY_NULL_METHOD(result, name, types, names) \
  result STDMETHODCALLTYPE name types override { return static_cast<result>(0); }

class NullMethods : public BackgroundExtensionMethods {
 public:
  TESSARY_BACKGROUND_EXTENSION_METHODS(TESSARY_NULL_METHOD)
};

class NullBackground final : public NullMethods {
 public:
  void STDMETHODCALLTYPE itemSet(BSTR, BSTR, IDispatch* cb) override { CallScriptFunction(cb, {ArgBool(true)}); }
  // Hands the script a value as long as the stored ones, as itemGet does.
  void STDMETHODCALLTYPE itemGet(BSTR, IDispatch* cb) override {
    static const BSTR value = ::SysAllocString(std::wstring(100, L'v').c_str());
    CallScriptFunction(cb, {ArgBstr(value)});
  }
};

// The same IDispatchEx forwarding as CExtension, over the floor's dispatcher.
class FloorObject final : public DispatchExDefaults {
 public:
  explicit FloorObject(IDispatch* dispatcher) : dispatcher_(dispatcher) {}
  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, __uuidof(IDispatchEx))) {
      *ppv = static_cast<IDispatchEx*>(this);
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  IFACEMETHODIMP_(ULONG) AddRef() override { return 1; }
  IFACEMETHODIMP_(ULONG) Release() override { return 1; }
  IFACEMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return dispatcher_->GetIDsOfNames(IID_NULL, names, count, lcid, ids);
  }
  IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
  IFACEMETHODIMP GetDispID(BSTR name, DWORD, DISPID* id) override {
    return dispatcher_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, id);
  }
  IFACEMETHODIMP InvokeEx(DISPID id, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                          IServiceProvider*) override {
    return dispatcher_->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, params, result, exception,
                               nullptr);
  }

 private:
  IDispatch* dispatcher_;
};

template <class Body>
double MicrosecondsPerOperation(Body body) {
  const auto start = std::chrono::steady_clock::now();
  body();
  const auto elapsed = std::chrono::steady_clock::now() - start;
  return std::chrono::duration<double, std::micro>(elapsed).count() / kOperations;
}

// One script loop of kOperations calls of `call` on object `name`.
double ScriptLoop(test::ScriptEngine& engine, const std::wstring& statement) {
  const std::wstring code = L"for (var i = 0; i < " + std::to_wstring(kOperations) + L"; i++) { " + statement + L" }";
  return MicrosecondsPerOperation([&] {
    if (FAILED(engine.Run(code))) std::printf("script failed: %s\n", test::Narrow(engine.LastError()).c_str());
  });
}

const wchar_t* kScriptSetup =
    L"var value = ''; for (var i = 0; i < 100; i++) value += String.fromCharCode(97 + i % 26);"
    L"var got = null; function cb(v) { got = v; }";

struct Figures {
  double set, get, del;
};

Figures Floor() {
  static NullBackground object;
  TableDispatch dispatch;
  CreateTableDispatch(CExtensionBGImpl::MethodTable(), LOCALE_SYSTEM_DEFAULT, &object, &dispatch);
  static FloorObject* floor = new FloorObject(dispatch.dispatch.Detach());
  test::ScriptEngine engine;
  engine.AddObject(L"extension", floor);
  engine.Run(kScriptSetup);
  return {ScriptLoop(engine, L"extension.itemSet('k' + i, value, cb);"),
          ScriptLoop(engine, L"extension.itemGet('k' + i, cb);"), ScriptLoop(engine, L"extension.itemDelete('k' + i);")};
}

Figures RawLevelDb(const std::wstring& folder) {
  std::string path;
  ToAnsi(folder + L"raw", &path);
  leveldb::Options options;
  options.create_if_missing = true;
  leveldb::DB* db = nullptr;
  leveldb::DB::Open(options, path, &db);
  const std::string value = Storage::Encode(std::wstring(100, L'v'));
  std::string read;
  auto key = [](int i) { return Storage::Encode(L"k" + std::to_wstring(i)); };
  Figures f;
  f.set = MicrosecondsPerOperation([&] {
    for (int i = 0; i < kOperations; ++i) db->Put(leveldb::WriteOptions(), key(i), value);
  });
  f.get = MicrosecondsPerOperation([&] {
    for (int i = 0; i < kOperations; ++i) db->Get(leveldb::ReadOptions(), key(i), &read);
  });
  f.del = MicrosecondsPerOperation([&] {
    for (int i = 0; i < kOperations; ++i) db->Delete(leveldb::WriteOptions(), key(i));
  });
  delete db;
  return f;
}

Figures ThroughTheHost(const std::wstring& folder) {
  HostProcess& host = Host();
  host.log.Create(folder);
  Api().storage.Open(folder, host.log);
  auto* extension = new CExtension();
  extension->init(false);
  test::ScriptEngine engine;
  engine.AddObject(L"extension", static_cast<IDispatchEx*>(extension));
  engine.Run(kScriptSetup);
  Figures f = {ScriptLoop(engine, L"extension.itemSet('k' + i, value, cb);"),
               ScriptLoop(engine, L"extension.itemGet('k' + i, cb);"),
               ScriptLoop(engine, L"extension.itemDelete('k' + i);")};
  const std::wstring check = engine.EvalString(L"got");
  if (check.size() != 100) std::printf("warning: the last itemGet read %zu characters\n", check.size());
  return f;
}

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const std::wstring folder = test::MakeTempFolder(L"bench");
  const Figures a = Floor();
  const Figures b = RawLevelDb(folder);
  const Figures c = ThroughTheHost(folder);
  std::printf("storage benchmark: %d operations each, 100-byte values, µs per operation\n", kOperations);
  std::printf("%-12s %10s %10s %10s %12s %8s\n", "operation", "(a) floor", "(b) leveldb", "(c) host", "1.2*(a+b)",
              "c/(a+b)");
  const char* names[] = {"itemSet", "itemGet", "itemDelete"};
  const double as[] = {a.set, a.get, a.del}, bs[] = {b.set, b.get, b.del}, cs[] = {c.set, c.get, c.del};
  bool met = true;
  for (int i = 0; i < 3; ++i) {
    const double ratio = cs[i] / (as[i] + bs[i]);
    met = met && ratio <= 1.2;
    std::printf("%-12s %10.2f %10.2f %10.2f %12.2f %8.2f\n", names[i], as[i], bs[i], cs[i], 1.2 * (as[i] + bs[i]),
                ratio);
  }
  std::printf("goal c <= 1.2 * (a + b): %s\n", met ? "met" : "NOT met");
  return 0;
}
