#include "ServerReference.h"

#include "ComModule.h"
#include "HostMessages.h"
#include "HostProcess.h"

namespace tessary::host {

ServerReference::ServerReference() : window_(Host().backgroundWindow) {
  if (window_) ComModule::Current().Lock();
}

// Sent, not posted: a posted message could be lost to a modal loop, and the
// process would then never end.
ServerReference::~ServerReference() {
  if (window_) ::SendMessageW(window_, WM_BG_RELEASE_SERVER, 0, 0);
}

}  // namespace tessary::host
