// The dialog that asks for the zip's name, with its checks.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <string>
#include <vector>

// Turns `record` into the zip name dialog: the zip filter at index 1, the
// zip path buffer (MAX_PATH bytes), the save title, default extension "zip",
// the save flags and the save-dialog hook. `saveTitle` (MAX_PATH bytes)
// receives the zip's bare name, or is null when it is not wanted. Record
// size, owner and file-title size stay as they were.
void MakeZipNameDialog(OPENFILENAMEA* record, char* zipPath, char* saveTitle);

// Runs the zip name dialog on `record` until the user settles on a path:
// `preset` is put into the file name on every round; a path that names one
// of `sources`, the files to be zipped, is refused, since creating the zip
// would empty that file before it is read; with `checkSpace` the target
// drive must have `requiredBytes` of room; outside the temporary folder the
// user is warned (unless ShowSaveWarning is 0) and may choose again.
// Returns false, after showing "Creation of zip archive cancelled.", when
// the dialog is cancelled.
bool AskZipPath(OPENFILENAMEA* record, const std::string& preset, const std::vector<std::string>& sources,
                bool checkSpace, uint64_t requiredBytes);
