#include "NotesUser.h"

#include "TestEnvironment.h"

namespace tessary::test {

const wchar_t kNotesOffer[] = L"tessary-notes-offer";

std::wstring Highlighted(const std::wstring& text) { return L"<mark class=\"tessary-note\">" + text + L"</mark>"; }

int Occurrences(const std::wstring& text, const std::wstring& part) {
  int count = 0;
  for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++count;
  return count;
}

bool SaveSelectionAsNote(BrowserSession& session, DWORD tab, const std::wstring& id, DWORD timeoutMs) {
  const auto offered = [&] {
    return session.Select(tab, id) && session.Text(tab, kNotesOffer) == L"Save selection as note";
  };
  return WaitUntil(offered, timeoutMs, 250) && session.Click(tab, kNotesOffer);
}

bool WaitForHighlights(BrowserSession& session, DWORD tab, const std::wstring& text, int count, DWORD timeoutMs) {
  return WaitUntil([&] { return Occurrences(session.Html(tab), Highlighted(text)) == count; }, timeoutMs, 100);
}

}  // namespace tessary::test
