#include <gtest/gtest.h>

#include <string>

#include "Bstr.h"
#include "SaveToFile.h"

namespace tessary::host {
namespace {

// The dialog's buffer holds MAX_PATH characters with the terminating zero.
TEST(ProposedFileName, KeepsWhatTheDialogsBufferHoldsWithoutHalfAPair) {
  const std::wstring a258(258, L'a');
  const std::wstring smile = L"\U0001F600";
  const struct {
    std::wstring name;
    std::wstring expected;
  } cases[] = {
      {L"notes.txt", L"notes.txt"},
      {a258 + L"b", a258 + L"b"},
      {a258 + L"bc", a258 + L"b"},
      // The pair would be cut after its first half: it goes as a whole.
      {a258 + smile, a258},
      {a258 + smile + L"z", a258},
      {std::wstring(257, L'a') + smile + L"z", std::wstring(257, L'a') + smile},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ProposedFileName(Bstr(c.name).Get()), c.expected) << "length " << c.name.size();
  }
}

}  // namespace
}  // namespace tessary::host
