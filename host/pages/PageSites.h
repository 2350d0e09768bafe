#pragma once
// The client sites of the pages that are shown, for the code of the pages'
// windows: each is set when its page's document has loaded and cleared when
// the site ends. Like the rest of the process-wide state it lives until the
// process ends.
#include <atomic>

namespace tessary::host {

class AXClientSite;

struct PageSites {
  // Written by the main thread; the popup thread only asks whether there is one.
  std::atomic<AXClientSite*> background{nullptr};
  // Popup thread only.
  AXClientSite* popup = nullptr;
};

PageSites& Sites();

}  // namespace tessary::host
