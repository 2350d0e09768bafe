#pragma once
// Process-wide state of the extension API, in one place; like the host program's
// own state it lives until the process ends.
#include <windows.h>

#include "Bstr.h"
#include "Storage.h"
#include "TabChannels.h"

namespace tessary::host {

struct ApiState {
  // The database, opened by the background start and kept until the message
  // loop ends.
  Storage storage;
  // The background page's view of the tabs' channels.
  TabChannels tabChannels;
  // Set by the background page's setIcon, read by the toolbar bands.
  bool authenticated = false;
  // What the popup page keeps across its openings (setPopupState); null until
  // it keeps something. Only the popup thread touches it.
  Bstr popupStateString;
};

ApiState& Api();

}  // namespace tessary::host
