// The dialog that asks for the zip's name, with its checks.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the zip must hold room for and must not replace.
struct ZipNameChecks {
  // The files to be zipped: a zip path that names one of them is refused,
  // since creating the zip would empty that file before it is read.
  std::vector<std::string> sources;
  // The bytes the target drive must have free; no check without it.
  std::optional<uint64_t> requiredRoom;
};

// What the user settled on in the zip name dialog.
struct ZipName {
  std::string path;  // UTF-8: where the zip is written
  // Its bare name as the dialog gave it, UTF-8; empty when it was not asked
  // for or has no UTF-8 form.
  std::string title;
  // The path in the form the mail client takes: the ANSI code page, within
  // its MAX_PATH-byte buffers.
  std::string mailClientPath;
};

// Runs the zip name dialog, owned by the composition window the command
// holds, until the user settles on a path: `preset` is put into the file
// name on every round; a path that names one of the sources, that the mail
// client could not be handed (it speaks the ANSI code page, in buffers of
// MAX_PATH bytes), or, when asked, whose drive lacks room, is refused with
// a message and asked again; outside the temporary folder the user is
// warned (unless ShowSaveWarning is 0) and may choose again. The zip's bare
// name is given back too when `wantTitle`. Returns false, after showing
// "Creation of zip archive cancelled.", when the dialog is cancelled.
bool AskZipName(const std::string& preset, bool wantTitle, const ZipNameChecks& checks, ZipName* name);
