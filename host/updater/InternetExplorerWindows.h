#pragma once
// Closes Internet Explorer before an installer replaces what it has loaded:
// every window of the shell's list that is a top-level browser of
// Internet Explorer gets Quit; windows of other programs are left alone.
namespace tessary::host {

class Log;

// False, with the failure logged, when the shell's list cannot be read at all;
// the installer must then not be started. True once every browser found was
// told to quit (an item that cannot be read ends the round early, logged).
bool QuitInternetExplorer(Log& log);

}  // namespace tessary::host
