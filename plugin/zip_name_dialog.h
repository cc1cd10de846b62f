// The dialog that asks for the zip's name, with its checks.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Turns `record` into the zip name dialog: the zip filter at index 1, the
// zip path buffer (MAX_PATH characters), the save title, default extension
// "zip", the save flags and the save-dialog hook. `saveTitle` (MAX_PATH
// characters) receives the zip's bare name, or is null when it is not
// wanted. Record size, owner and file-title size stay as they were.
void MakeZipNameDialog(OPENFILENAMEW* record, wchar_t* zipPath, wchar_t* saveTitle);

// What the zip must hold room for and must not replace.
struct ZipNameChecks {
  // The files to be zipped: a zip path that names one of them is refused,
  // since creating the zip would empty that file before it is read.
  std::vector<std::string> sources;
  // The bytes the target drive must have free; no check without it.
  std::optional<uint64_t> requiredRoom;
};

// Runs the zip name dialog on `record` until the user settles on a path,
// which goes into *zipPath as UTF-8: `preset` is put into the file name on
// every round; a path that names one of the sources, that the mail client
// could not be handed (it speaks the ANSI code page, in buffers of MAX_PATH
// bytes), or, when asked, whose
// drive lacks room, is refused with a message and asked again; outside the
// temporary folder the user is warned (unless ShowSaveWarning is 0) and may
// choose again. Returns false, after showing "Creation of zip archive
// cancelled.", when the dialog is cancelled.
bool AskZipPath(OPENFILENAMEW* record, const std::string& preset, const ZipNameChecks& checks, std::string* zipPath);
