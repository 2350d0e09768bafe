#pragma once
// The toolbar band's window as the host program reaches it: by its class name,
// below every Internet Explorer frame, with one message that sets or refreshes
// the authorization state its button shows. Both names live with the other
// shared names.
#include "SharedNames.h"
