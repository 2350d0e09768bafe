#pragma once
// The update thread: started once per process by the background page's
// checkUpdate, it reads the update description, asks the user, downloads and
// checks the installer, closes Internet Explorer and starts the installer.
// The background page gets no answer; the outcome is the updater state and
// the log.
namespace tessary::host {

// Called on the main thread. False when a check was already started in this
// process, or when the thread could not be created (the check then counts as
// started all the same).
bool StartUpdateCheck();

}  // namespace tessary::host
