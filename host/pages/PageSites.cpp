#include "PageSites.h"

namespace tessary::host {

PageSites& Sites() {
  static PageSites* const sites = new PageSites();
  return *sites;
}

}  // namespace tessary::host
