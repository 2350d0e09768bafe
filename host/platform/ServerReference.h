#pragma once
// A reference on the host process for work of its own that outlives the call
// that started it, such as a Save As dialog on a thread of its own: while one
// is held the process stays up, even after every client has let it go, so
// that what the user is about to save is not lost with the process.
#include <windows.h>

namespace tessary::host {

class ServerReference {
 public:
  // Taken on the main thread, once the background window exists.
  ServerReference();
  // Given back on the main thread, whichever thread ends it: when it was the
  // last reference, the class objects are withdrawn there, in the apartment
  // that registered them.
  ~ServerReference();
  ServerReference(const ServerReference&) = delete;
  ServerReference& operator=(const ServerReference&) = delete;

 private:
  const HWND window_;
};

}  // namespace tessary::host
