#include "StorageApi.h"

#include <functional>
#include <string_view>

#include "Bstr.h"
#include "ExceptionBarrier.h"
#include "Log.h"
#include "ScriptErrors.h"
#include "Storage.h"
#include "Variant.h"

namespace tessary::host {
namespace {

// A script string may be as large as the script engine allows; encoding it for
// the database can run out of memory, which fails the one call only.
leveldb::Status Guarded(Log& log, const char* method, const std::function<leveldb::Status()>& call) {
  leveldb::Status status;
  const HRESULT hr = ExceptionBarrier([&] {
    status = call();
    if (!status.ok() && !status.IsNotFound()) log.Error() << method << " failed: " << status.ToString();
    return S_OK;
  });
  if (SUCCEEDED(hr)) return status;
  log.Error() << method << " failed: out of memory";
  return leveldb::Status::IOError("out of memory");
}

}  // namespace

// Script strings may hold U+0000: the whole BSTR is the value.
void ItemSet(Storage& storage, Log& log, BSTR key, BSTR value, IDispatch* cb) {
  const leveldb::Status status = Guarded(log, "itemSet", [&] { return storage.Put(BstrView(key), BstrView(value)); });
  CallPageFunction(cb, {ArgBool(status.ok())}, L"BG", L"the itemSet callback", log);
}

void ItemGet(Storage& storage, Log& log, BSTR key, IDispatch* cb) {
  Bstr value;
  Guarded(log, "itemGet", [&] { return storage.Get(BstrView(key), &value); });
  CallPageFunction(cb, {ArgBstr(value.Get())}, L"BG", L"the itemGet callback", log);
}

void ItemDelete(Storage& storage, Log& log, BSTR key) {
  Guarded(log, "itemDelete", [&] { return storage.Delete(BstrView(key)); });
}

}  // namespace tessary::host
