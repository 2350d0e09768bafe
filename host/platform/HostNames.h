#pragma once
// The names and texts of TessaryBG.exe that others rely on: other programs,
// installers, extension authors, users and their habits, and the tests. Each is
// spelled here once; a name or text that is the program's own choice stays
// next to the code that uses it.
//
// The resource script includes this header too: the part it sees holds only
// #defines, and the C++ part below builds on them.

// Window classes and dialogs. The resource script builds the page hosts'
// dialogs from them; other programs find the page windows by class.
#define TESSARY_BACKGROUND_DIALOG DIALOG_1
#define TESSARY_POPUP_DIALOG DIALOG_2
#define TESSARY_BACKGROUND_CONTROL 802
#define TESSARY_POPUP_CONTROL 801
#define TESSARY_BACKGROUND_CLASS "AXBG"
#define TESSARY_POPUP_CLASS "AXPopup"
// The control's window text: the class of the WebBrowser control it hosts.
#define TESSARY_WEBBROWSER_CONTROL "{8856F961-340A-11D0-A96B-00C04FD705A2}"

#ifndef RC_INVOKED

#include <windows.h>

#define TESSARY_NAME_TEXT_(x) #x
#define TESSARY_NAME_TEXT(x) TESSARY_NAME_TEXT_(x)
#define TESSARY_NAME_WIDE_(x) L##x
#define TESSARY_NAME_WIDE(x) TESSARY_NAME_WIDE_(x)

namespace tessary::host {

// --- Window classes and dialogs: other programs and the resource script. ---

// Registered with RegisterClassExA, hence narrow; the reload finds the
// background window by the wide form.
constexpr char kBackgroundWindowClass[] = TESSARY_BACKGROUND_CLASS;
constexpr wchar_t kBackgroundWindowClassW[] = TESSARY_NAME_WIDE(TESSARY_BACKGROUND_CLASS);
constexpr char kPopupWindowClass[] = TESSARY_POPUP_CLASS;
constexpr wchar_t kBackgroundDialog[] = TESSARY_NAME_WIDE(TESSARY_NAME_TEXT(TESSARY_BACKGROUND_DIALOG));
constexpr wchar_t kPopupDialog[] = TESSARY_NAME_WIDE(TESSARY_NAME_TEXT(TESSARY_POPUP_DIALOG));
constexpr int kBackgroundControlId = TESSARY_BACKGROUND_CONTROL;
constexpr int kPopupControlId = TESSARY_POPUP_CONTROL;
// Internet Explorer's own windows and program, as it names them.
constexpr wchar_t kFrameWindowClass[] = L"IEFrame";
constexpr wchar_t kPageWindowClass[] = L"Internet Explorer_Server";
constexpr wchar_t kInternetExplorerProgram[] = L"IEXPLORE.EXE";

// --- Window messages: fixed numbers, by which tools that watch or drive the windows know them. ---

// Page host window (both kinds).
constexpr UINT WM_AX_QUERY_INTERFACE = WM_APP + 0x01;  // wParam: const IID*, lParam: void**
constexpr UINT WM_AX_INPLACE = WM_APP + 0x09;          // wParam: 1 activate / 0 deactivate

// Background window.
constexpr UINT WM_BG_MARSHAL_WINDOW = WM_APP + 0x08;  // lParam: IStream**
constexpr UINT WM_BG_POPUP_CLOSED = WM_APP + 0x0A;
constexpr UINT WM_BG_CONNECT = WM_APP + 0x65;      // lParam: ConnectRecord*
constexpr UINT WM_BG_DISCONNECT = WM_APP + 0x66;   // lParam: DisconnectRecord*
constexpr UINT WM_BG_MESSAGE = WM_APP + 0x67;      // wParam: BSTR message, lParam: tab id
constexpr UINT WM_BG_SET_HANDLER = WM_APP + 0x68;  // wParam: HandlerSlot, lParam: IDispatch*
constexpr UINT WM_BG_KEEP_CLIPBOARD = WM_APP + 0x69;

enum HandlerSlot : WPARAM { kConnectHandler = 1, kDisconnectHandler = 2, kMessageHandler = 3 };

// --- Registry and command line: installers and Internet Explorer read and pass these. ---

constexpr wchar_t kElevationPolicyRoot[] = L"Software\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy";
constexpr wchar_t kElevationPolicyKey[] = L"{1280D708-9951-45B4-A888-4B9A6F4BE680}";
constexpr wchar_t kPolicyValue[] = L"Policy";
constexpr wchar_t kAppNameValue[] = L"AppName";
constexpr wchar_t kAppPathValue[] = L"AppPath";
constexpr wchar_t kCbgFriendlyName[] = L"CBG Object";
constexpr wchar_t kCbgcFriendlyName[] = L"CBGC Object";
// Compared as whole arguments.
constexpr wchar_t kRegServerOption[] = L"/regserver";
constexpr wchar_t kUnregServerOption[] = L"/unregserver";
// Words after '-' or '/', tried in this order.
constexpr wchar_t kUnregServerSwitch[] = L"UnregServer";
constexpr wchar_t kRegServerSwitch[] = L"RegServer";
constexpr wchar_t kUnregServerPerUserSwitch[] = L"UnregServerPerUser";
constexpr wchar_t kRegServerPerUserSwitch[] = L"RegServerPerUser";

// --- Files and folders: extensions, installers and users find them by these names. ---

// Below the user's local application data.
constexpr wchar_t kDataFolderName[] = L"\\Tessary";
constexpr wchar_t kLogFileName[] = L"log.txt";
constexpr wchar_t kDatabaseFolder[] = L"db";
constexpr wchar_t kUpdateFolder[] = L"tmp";
// Below the program's folder.
constexpr wchar_t kCustomizationFolder[] = L"customization\\";
constexpr wchar_t kBackgroundPage[] = L"background.html";
constexpr wchar_t kPopupPage[] = L"popup.html";
// The pages' functions the program calls.
constexpr wchar_t kEntryPointFunction[] = L"main";
constexpr wchar_t kPopupClosedFunction[] = L"popupClosed";
// Attributes of the configuration's root element.
constexpr wchar_t kVersionAttribute[] = L"version";
constexpr wchar_t kUpdateUrlAttribute[] = L"updateUrl";
// The update description a server sends, and how it is asked for.
constexpr wchar_t kUpdatesElement[] = L"updates";
constexpr wchar_t kUpdateVersionElement[] = L"version";
constexpr wchar_t kUpdateUrlElement[] = L"url";
constexpr wchar_t kUpdateHashElement[] = L"hash";
constexpr wchar_t kHttpGet[] = L"GET";
constexpr wchar_t kIfModifiedSinceHeader[] = L"If-Modified-Since";
// A date before any release, so that no cache answers in the server's place.
constexpr wchar_t kModifiedSince[] = L"Sat, 01 Jan 2000 00:00:01 GMT";
// The runtime that may have entered the main thread's apartment before the program.
constexpr wchar_t kClrLibrary[] = L"Mscoree.dll";

// --- Log texts: users, support and the tests read the log by them. ---

constexpr char kInfoPrefix[] = "[INFO]: ";
constexpr char kWarningPrefix[] = "[WARNING]: ";
constexpr char kErrorPrefix[] = "[ERROR]: ";
constexpr char kNullText[] = "empty";
constexpr char kLogCreated[] = "Log file created ";
constexpr char kBackgroundScriptLog[] = "BG Script: ";
constexpr char kPopupScriptLog[] = "Popup Script: ";
// "BHO" + tab id + ": " + what the tab logs.
constexpr char kTabLogPrefix[] = "BHO";
constexpr char kTabLogSeparator[] = ": ";

// Background page.
constexpr char kLogFirstInstance[] = "It's the first instance, initing background...";
constexpr char kLogConfigReadFailed[] = "Config::read() failed, code=";
constexpr char kLogDatabaseOpenFailed[] = "levelDB init failed: ";
constexpr char kLogBackgroundDocumentComplete[] = "BG: documentcomplete fired";
constexpr char kLogBackgroundStarting[] = "BG: non-null url, starting initialization...";
constexpr char kLogGetScriptFailed[] = "GetScript() failed";
constexpr char kLogPopupClosedCalled[] = "AXWndProcBG(): popupClosed() called successfully";

// Page host windows.
constexpr char kLogCleaningSite[] = "Cleaning ax, isBG=";
constexpr char kLogPageHostDestroyed[] = "AXWndProc: WM_DESTROY";

// Popup.
constexpr char kLogCreatingPopupThread[] = "Creating popup thread...";
constexpr char kLogPopupDialogFailed[] = "Can't create popup dialog, code ";
constexpr char kLogPopupStarting[] = "Popup: starting initialization...";
constexpr char kLogPopupEntryPointFailed[] = "Error while executing popup entry point";
constexpr char kLogPopupBeforeNavigate[] = "Popup: BeforeNavigate2 fired, url=";
constexpr char kLogPopupCancelNavigation[] = "Popup: cancelling navigation";
constexpr char kLogPopupThreadEnds[] = "popup thread ends...";

// Reading the extension's files.
constexpr char kLogEmptyPath[] = "getTextFile: Empty path!";
constexpr char kLogWinapi[] = "WINAPI: ";
constexpr char kLogPathRestricted[] = "getTextFile: path restricted ";
constexpr char kLogCreateFileFailed[] = "CreateFileW";  // + path
constexpr char kLogReadFileFailed[] = "ReadFile";       // + path

// Tabs and their messages.
constexpr char kLogConnectCalled[] = "connect() called";
constexpr char kLogDisconnectCalled[] = "disconnect() called";
constexpr char kLogVisibleFrame[] = "vivsible";  // sic: log readers search for this spelling
constexpr char kLogRecreating[] = "recreating ";
constexpr char kLogCannotEnumerateWindows[] = "Cannot enumerate IE windows, code ";
constexpr char kLogCannotGetWindowDispatch[] = "Can't get IDispatch from IShellWindows collection, code ";

// Saving a file.
constexpr char kLogCannotSaveFile[] = "Cannot save file, error ";

// Updates: the update thread's lines start with kUpdateThread after the level.
constexpr char kUpdateThread[] = "updateThreadFn: ";
constexpr char kLogCannotParseXml[] = "Cannot parse xml";
constexpr char kLogNoFileName[] = "Failed to extract filename from URL";
constexpr char kLogCannotCreateFile[] = "Can't create file";
constexpr char kLogCannotWriteFile[] = "Can't write to file";
constexpr char kLogFileWrittenIncorrectly[] = "File written incorrectly";
constexpr char kLogCannotMakeFileHash[] = "Can't make file hash, code ";
constexpr char kLogCannotValidateHash[] = "Can't validate file hash, code ";
constexpr char kLogUpdateFailedAfter[] = "Update failed after ";  // + attempts
constexpr char kLogTries[] = " tries";
constexpr char kLogCouldNotStart[] = "Could not start ";  // + path
constexpr char kLogStartCodeSeparator[] = "; code ";

// --- Message boxes: users see them, and answer the update prompts out of habit. ---

constexpr wchar_t kErrorCaption[] = L"Error";
constexpr wchar_t kNoPermission[] = L"You have no permission to save to this directory, please select another location";
constexpr wchar_t kCannotSave[] = L"Unable to save to this location";
constexpr wchar_t kUpdateCaption[] = L"Zadezeri";
// kDownloadPromptStart + version + kDownloadPromptEnd.
constexpr wchar_t kDownloadPromptStart[] = L"A new version is available, ";
constexpr wchar_t kDownloadPromptEnd[] = L". Download it now?";
constexpr wchar_t kInstallPrompt[] =
    L"Zadezeri updates are ready to install. All instances of Internet Explorer will be closed. Proceed with updates?";

}  // namespace tessary::host

#endif  // RC_INVOKED
