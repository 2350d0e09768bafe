#include "StorageApi.h"

#include <string_view>

#include "../program/Log.h"
#include "Bstr.h"
#include "ScriptCallback.h"
#include "Storage.h"
#include "Variant.h"

namespace tessary::host {

// Script strings may hold U+0000: the whole BSTR is the value.
void ItemSet(Storage& storage, Log& log, BSTR key, BSTR value, IDispatch* cb) {
  const leveldb::Status status = storage.Put(BstrView(key), BstrView(value));
  if (!status.ok()) log.Error() << "itemSet failed: " << status.ToString();
  CallScriptFunction(cb, {ArgBool(status.ok())});
}

void ItemGet(Storage& storage, Log& log, BSTR key, IDispatch* cb) {
  Bstr value;
  const leveldb::Status status = storage.Get(BstrView(key), &value);
  if (!status.ok() && !status.IsNotFound()) log.Error() << "itemGet failed: " << status.ToString();
  CallScriptFunction(cb, {ArgBstr(value.Get())});
}

void ItemDelete(Storage& storage, Log& log, BSTR key) {
  const leveldb::Status status = storage.Delete(BstrView(key));
  if (!status.ok()) log.Error() << "itemDelete failed: " << status.ToString();
}

}  // namespace tessary::host
