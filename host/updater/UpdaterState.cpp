#include "UpdaterState.h"

namespace tessary::host {

UpdaterProcess& Updates() {
  static UpdaterProcess* const state = new UpdaterProcess();
  return *state;
}

}  // namespace tessary::host
