#include "UpdateThread.h"

#include <msxml2.h>
#include <shellapi.h>
#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>

#include "BrowserWindows.h"
#include "Bstr.h"
#include "ComPtrAdopt.h"
#include "HostNames.h"
#include "XmlHttpRequest.h"
#include "HostProcess.h"
#include "InternetExplorerWindows.h"
#include "PlatformUuids.h"
#include "ServerReference.h"
#include "UniqueHandle.h"
#include "UpdateDescription.h"
#include "UpdateFiles.h"
#include "UpdaterState.h"
#include "Variant.h"
#include "WorkerThread.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

constexpr int kDownloadAttempts = 2;

// What the thread needs of the host program, copied when it starts. The server
// reference keeps the process alive until the thread ends: closing Internet
// Explorer releases the last objects of the host, which must still start the
// installer.
struct UpdateJob {
  std::wstring updateUrl;
  Version currentVersion;
  std::wstring dataDirectory;
  Log& log;
  ServerReference server;
};

void SetState(UpdaterState state) { Updates().state = state; }

bool UserAgrees(const std::wstring& question) {
  return ::MessageBoxExW(FrameForDialogs(), question.c_str(), kUpdateCaption, MB_YESNO | MB_ICONINFORMATION,
                         MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL)) == IDYES;
}

bool DigestMatches(const std::wstring& digest, const std::wstring& hash) {
  return ::VarBstrCmp(Bstr(digest).Get(), Bstr(hash).Get(), LOCALE_USER_DEFAULT, 0) == VARCMP_EQ;
}

class UpdateRun {
 public:
  explicit UpdateRun(const UpdateJob& job) : job_(job), log_(job.log) {}
  void Run();

 private:
  enum class Attempt { kVerified, kMismatch, kFailed };

  bool Get(const std::wstring& url);
  bool ReadDescription(ChosenUpdate* chosen);
  void Install(const ChosenUpdate& chosen);
  bool KeepPresentFile(const std::wstring& path, const std::wstring& hash);
  bool Download(const ChosenUpdate& chosen, const std::wstring& path);
  Attempt DownloadOnce(const ChosenUpdate& chosen, const std::wstring& path);
  bool WriteBody(const std::wstring& path);
  bool StartInstaller(const std::wstring& path);

  const UpdateJob& job_;
  Log& log_;
  ComPtr<IXMLHTTPRequest> request_;
};

void UpdateRun::Run() {
  ComPtr<IDispatch> request = Adopt(NewXmlHttpRequest());
  if (!request || FAILED(request.As(&request_))) {
    log_.Error() << kUpdateThread << "Failed to create XMLHTTPRequest";
    return;
  }
  ChosenUpdate chosen;
  if (ReadDescription(&chosen)) Install(chosen);
}

// A synchronous GET through the one request object of the thread.
bool UpdateRun::Get(const std::wstring& url) {
  Variant none;
  if (FAILED(request_->open(Bstr(kHttpGet).Get(), Bstr(url).Get(), ArgBool(false), *none, *none))) {
    log_.Error() << kUpdateThread << "Failed to open connection, url=" << url;
    return false;
  }
  request_->setRequestHeader(Bstr(kIfModifiedSinceHeader).Get(), Bstr(kModifiedSince).Get());
  if (FAILED(request_->send(*none))) {
    log_.Error() << kUpdateThread << "Failed to get url=" << url;
    return false;
  }
  return true;
}

bool UpdateRun::ReadDescription(ChosenUpdate* chosen) {
  if (!Get(job_.updateUrl)) return false;
  // The status is not looked at: an error page is no description and fails below.
  Bstr text;
  if (FAILED(request_->get_responseText(text.Put()))) {
    log_.Error() << kUpdateThread << "Failed to retrieve update response text";
    return false;
  }
  if (text.Length() == 0) {
    log_.Error() << kUpdateThread << "Empty response text";
    return false;
  }
  switch (ChooseUpdate(text.Get(), job_.currentVersion, log_, chosen)) {
    case UpdateChoice::kChosen: return true;
    case UpdateChoice::kNothingNewer: SetState(UpdaterState::kNothingNewer); return false;
    case UpdateChoice::kUnreadable: return false;
  }
  return false;
}

void UpdateRun::Install(const ChosenUpdate& chosen) {
  const std::wstring folder = job_.dataDirectory + kUpdateFolder;
  if (!::CreateDirectoryW(folder.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
    log_.Error() << kUpdateThread << "Can't create temp directory";
    return;
  }
  const std::wstring path = folder + L"\\" + chosen.fileName;
  if (KeepPresentFile(path, chosen.hash)) {
    SetState(UpdaterState::kFileVerified);
  } else {
    if (!UserAgrees(kDownloadPromptStart + chosen.versionText + kDownloadPromptEnd)) {
      SetState(UpdaterState::kDownloadDeclined);
      return;
    }
    if (!Download(chosen, path)) return;
  }
  if (!UserAgrees(kInstallPrompt)) {
    return;
  }
  // Internet Explorer closes only once the installer runs: when Windows
  // cannot start it, or the user declines to let it change the computer, the
  // browser stays as it was, and the next check asks again before closing it.
  if (StartInstaller(path)) QuitInternetExplorer(log_);
}

// An installer from an earlier check is kept when its digest matches; any
// other file of that name is deleted.
bool UpdateRun::KeepPresentFile(const std::wstring& path, const std::wstring& hash) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  std::wstring digest;
  if (HashFile(path, log_, &digest) && DigestMatches(digest, hash)) return true;
  const DWORD error = ::GetLastError();
  log_.Warning() << kLogCannotMakeFileHash << error;
  ::DeleteFileW(path.c_str());
  return false;
}

// Only a digest mismatch is tried again; any other failure ends the update.
bool UpdateRun::Download(const ChosenUpdate& chosen, const std::wstring& path) {
  for (int attempt = 0; attempt < kDownloadAttempts; ++attempt) {
    switch (DownloadOnce(chosen, path)) {
      case Attempt::kVerified: SetState(UpdaterState::kFileVerified); return true;
      case Attempt::kFailed: return false;
      case Attempt::kMismatch: break;
    }
  }
  SetState(UpdaterState::kDownloadFailed);
  log_.Error() << kUpdateThread << kLogUpdateFailedAfter << kDownloadAttempts << kLogTries;
  return false;
}

UpdateRun::Attempt UpdateRun::DownloadOnce(const ChosenUpdate& chosen, const std::wstring& path) {
  if (!Get(chosen.url) || !WriteBody(path)) return Attempt::kFailed;
  std::wstring digest;
  if (HashFile(path, log_, &digest) && DigestMatches(digest, chosen.hash)) return Attempt::kVerified;
  const DWORD error = ::GetLastError();
  log_.Warning() << kUpdateThread << kLogCannotValidateHash << error;
  ::DeleteFileW(path.c_str());
  return Attempt::kMismatch;
}

// The response body, a byte array, into the file. It is dropped on return,
// before the file is hashed: it may be large.
bool UpdateRun::WriteBody(const std::wstring& path) {
  Variant body;
  if (FAILED(request_->get_responseBody(body.Put())) || body->vt != (VT_ARRAY | VT_UI1) ||
      ::SafeArrayGetDim(body->parray) != 1) {
    log_.Error() << kUpdateThread << "Failed to retrieve response file body";
    return false;
  }
  LONG lower = 0;
  LONG upper = 0;
  if (FAILED(::SafeArrayGetLBound(body->parray, 1, &lower)) || FAILED(::SafeArrayGetUBound(body->parray, 1, &upper)) ||
      upper == 0) {
    log_.Error() << kUpdateThread << "Can't get array bounds";
    return false;
  }
  void* bytes = nullptr;
  if (FAILED(::SafeArrayAccessData(body->parray, &bytes))) {
    log_.Error() << kUpdateThread << "Can't access array data";
    return false;
  }
  const DWORD count = upper >= lower ? static_cast<DWORD>(upper - lower + 1) : 0;
  const bool written = WriteWholeFile(path, bytes, count, log_);
  // Ignored: the data was only read, and the array goes with the response.
  ::SafeArrayUnaccessData(body->parray);
  if (!written) log_.Error() << kUpdateThread << "Failed to write to file " << path;
  return written;
}

// The installer asks for administrator rights, which a program started by
// CreateProcess from this unelevated host cannot get (it fails with
// ERROR_ELEVATION_REQUIRED): the shell starts it and Windows asks the user.
// No error dialog of the shell's: a failure is logged. The installer runs on
// its own: it is not waited for.
bool UpdateRun::StartInstaller(const std::wstring& path) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof(info);
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.hwnd = FrameForDialogs();
  info.lpVerb = L"open";
  info.lpFile = path.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!::ShellExecuteExW(&info)) {
    const DWORD error = ::GetLastError();  // ERROR_CANCELLED: the user declined
    log_.Error() << kLogCouldNotStart << path << kLogStartCodeSeparator << error;
    return false;
  }
  const UniqueHandle process(info.hProcess);
  return true;
}

}  // namespace

bool StartUpdateCheck() {
  UpdaterProcess& updates = Updates();
  if (updates.state != UpdaterState::kNotStarted) return false;
  HostProcess& host = Host();
  auto job = std::unique_ptr<UpdateJob>(new UpdateJob{host.config.UpdateUrl(), host.config.CurrentVersion(),
                                                      host.directories.DataDirectory(), host.log, {}});
  // Set before the thread runs, so that it cannot overwrite the thread's outcome.
  updates.state = UpdaterState::kStarted;
  // The job goes after the apartment is left: its server reference may end the
  // process.
  const UniqueHandle thread = StartWorker(Apartment::kSingleThreaded, [job = std::move(job)](const ComApartment& com) {
    if (!com.IsReady()) {
      job->log.Error() << kUpdateThread << "Failed to CoInitializeEx";
      return DWORD{0};
    }
    UpdateRun(*job).Run();
    return DWORD{0};
  });
  if (!thread) {
    host.log.Error() << "Failed to create update thread!";
    return false;
  }
  return true;
}

}  // namespace tessary::host
