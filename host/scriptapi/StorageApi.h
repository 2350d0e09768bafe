#pragma once
// The background page's storage methods: itemSet, itemGet and itemDelete.
// Callbacks run synchronously, before the method returns.
#include <windows.h>
#include <oleauto.h>

namespace tessary::host {

class Log;
class Storage;

// Calls cb with true when the value was stored, false (and an error line) when not.
void ItemSet(Storage& storage, Log& log, BSTR key, BSTR value, IDispatch* cb);
// Calls cb with the value, or a null string when there is none; read errors
// other than a missing key are logged.
void ItemGet(Storage& storage, Log& log, BSTR key, IDispatch* cb);
void ItemDelete(Storage& storage, Log& log, BSTR key);

}  // namespace tessary::host
