#pragma once
// The network access that the background page's scripts and the updater share.
#include <windows.h>
#include <oaidl.h>

namespace tessary::host {

// A new MSXML 6.0 XMLHTTP request object, or null.
IDispatch* NewXmlHttpRequest();

}  // namespace tessary::host
