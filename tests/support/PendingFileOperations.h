#pragma once
// What Windows does with files at the next restart: the list that MoveFileEx
// with MOVEFILE_DELAY_UNTIL_REBOOT keeps in PendingFileRenameOperations.
#include <windows.h>

#include <string>
#include <vector>

namespace tessary::test {

// A file and where it moves at the restart; `to` is empty for a deletion.
struct PendingFileOperation {
  std::wstring from;
  std::wstring to;
};

std::vector<PendingFileOperation> PendingFileOperations();

// Carries out what Windows would at the restart, in order, and clears the list.
void CarryOutAsAtRestart(const std::vector<PendingFileOperation>& operations);

}  // namespace tessary::test
