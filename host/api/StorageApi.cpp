#include "StorageApi.h"

#include <string_view>

#include "../program/Log.h"
#include "ScriptCallback.h"
#include "Storage.h"
#include "Variant.h"

namespace tessary::host {
namespace {

// Script strings may hold U+0000: the whole BSTR is the value.
std::wstring_view View(BSTR text) { return text ? std::wstring_view(text, ::SysStringLen(text)) : std::wstring_view(); }

VARIANT ArgBool(bool value) {
  VARIANT v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

}  // namespace

void ItemSet(Storage& storage, Log& log, BSTR key, BSTR value, IDispatch* cb) {
  const leveldb::Status status = storage.Put(View(key), View(value));
  if (!status.ok()) log.Error() << "itemSet failed: " << status.ToString();
  CallScriptFunction(cb, {ArgBool(status.ok())});
}

void ItemGet(Storage& storage, Log& log, BSTR key, IDispatch* cb) {
  Bstr value;
  const leveldb::Status status = storage.Get(View(key), &value);
  if (!status.ok() && !status.IsNotFound()) log.Error() << "itemGet failed: " << status.ToString();
  CallScriptFunction(cb, {ArgBstr(value.Get())});
}

void ItemDelete(Storage& storage, Log& log, BSTR key) {
  const leveldb::Status status = storage.Delete(View(key));
  if (!status.ok()) log.Error() << "itemDelete failed: " << status.ToString();
}

}  // namespace tessary::host
