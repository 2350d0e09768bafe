#pragma once
// In the host program's place: while a RecordingBG lives, this process serves
// the class CBG to every process of the prefix (CLSCTX_LOCAL_SERVER), so that a
// toolbar that creates the host's object gets this one, which answers
// getAuthState as told and records every showPopup.
#include <windows.h>

#include <memory>
#include <vector>

namespace tessary::test {

class RecordingBG {
 public:
  RecordingBG();
  // Revokes the class and disconnects the toolbars' proxies.
  ~RecordingBG();
  RecordingBG(const RecordingBG&) = delete;
  RecordingBG& operator=(const RecordingBG&) = delete;

  bool IsServing() const;
  // What getAuthState answers from now on.
  void AnswerAuthState(int state, HRESULT result = S_OK);
  // How many objects were created, and the points showPopup was called with.
  int Creations() const;
  std::vector<POINT> Popups() const;

 private:
  struct Server;
  std::unique_ptr<Server> server_;
};

}  // namespace tessary::test
