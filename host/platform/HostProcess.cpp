#include "HostProcess.h"

namespace tessary::host {

HostProcess& Host() {
  static HostProcess* const host = new HostProcess();
  return *host;
}

}  // namespace tessary::host
