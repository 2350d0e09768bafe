#include "ApiState.h"

namespace tessary::host {

ApiState& Api() {
  static ApiState* const state = new ApiState();
  return *state;
}

}  // namespace tessary::host
