#include "SaveToFile.h"

#include <commdlg.h>
#include <shlobj.h>

#include <memory>

#include "BrowserWindows.h"
#include "Bstr.h"
#include "HostNames.h"
#include "Log.h"
#include "ServerReference.h"
#include "UniqueHandle.h"
#include "Utf8Text.h"
#include "WorkerThread.h"

namespace tessary::host {
namespace {

// Owned by the saving thread.
struct SaveRequest {
  std::wstring content;
  // The dialog writes the chosen path here; a second dialog starts from it.
  wchar_t fileName[MAX_PATH] = {};
  Log* log = nullptr;
  // The text lives only in this process: it must not end while the user
  // still chooses where the text goes, even if every browser has let it go.
  ServerReference process;
};

void ShowError(const wchar_t* text) {
  ::MessageBoxExW(FrameForDialogs(), text, kErrorCaption, MB_OK, MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL));
}

bool AskForFile(SaveRequest& request) {
  wchar_t desktop[MAX_PATH] = {};
  const bool hasDesktop = SUCCEEDED(
      ::SHGetFolderPathW(nullptr, CSIDL_DESKTOPDIRECTORY | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, desktop));
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = FrameForDialogs();
  dialog.lpstrFilter = L"Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
  dialog.lpstrFile = request.fileName;
  dialog.nMaxFile = ARRAYSIZE(request.fileName);
  dialog.lpstrInitialDir = hasDesktop ? desktop : nullptr;
  dialog.lpstrDefExt = L"txt";
  dialog.Flags = OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (::GetSaveFileNameW(&dialog)) return true;
  const DWORD error = ::CommDlgExtendedError();
  if (error == FNERR_INVALIDFILENAME && request.fileName[0]) {
    // A name the dialog refuses to start with would lose the text without a
    // word: the user is asked again with no name proposed.
    request.log->Error() << "Save As refused the proposed name " << request.fileName;
    request.fileName[0] = L'\0';
    return AskForFile(request);
  }
  if (error) request.log->Error() << "Save As dialog failed, code " << error;
  return false;
}

// On the saving thread: the dialog again, until the text is written or the
// user gives up.
void Save(SaveRequest& request) {
  while (AskForFile(request)) {
    const DWORD error = WriteTextFile(request.fileName, request.content, *request.log);
    if (error != ERROR_ACCESS_DENIED) {
      if (error) ShowError(kCannotSave);
      break;
    }
    ShowError(kNoPermission);
  }
}

DWORD WriteBytes(const wchar_t* path, const std::string& bytes) {
  UniqueHandle file(::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return ::GetLastError();
  DWORD written = 0;
  if (!bytes.empty() && !::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
    return ::GetLastError();
  }
  return 0;
}

}  // namespace

std::wstring ProposedFileName(BSTR name) {
  std::wstring_view text = BstrView(name);
  text = text.substr(0, text.find(L'\0'));
  if (text.size() < MAX_PATH) return std::wstring(text);
  const size_t length = IS_HIGH_SURROGATE(text[MAX_PATH - 2]) ? MAX_PATH - 2 : MAX_PATH - 1;
  return std::wstring(text.substr(0, length));
}

DWORD WriteTextFile(const wchar_t* path, std::wstring_view text, Log& log) {
  const DWORD error = WriteBytes(path, EncodeUtf8Text(text));
  if (error) log.Trace() << kLogCannotSaveFile << error;
  return error;
}

void SaveToFile(BSTR proposedName, BSTR text, Log& log) {
  if (BstrView(text).empty()) return;
  auto request = std::make_unique<SaveRequest>();
  request->content = BstrView(text);
  const std::wstring name = ProposedFileName(proposedName);
  name.copy(request->fileName, name.size());
  request->log = &log;
  // The common dialogs use the shell's COM objects, which want an apartment.
  const UniqueHandle thread =
      StartWorker(Apartment::kSingleThreaded, [request = std::move(request)](const ComApartment&) {
        Save(*request);
        return DWORD{0};
      });
  if (!thread) log.Error() << "Failed to create file saving thread!";
}

}  // namespace tessary::host
