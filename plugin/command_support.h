// What the two zip-and-attach commands share: messages in the plug-in's
// name, the wait cursor, message pumping between files, and the dialog that
// asks for the zip's name with its checks.
#pragma once

#include <windows.h>

#include <commdlg.h>

#include <cstdint>
#include <string>

// Message texts.
extern const char kCancelledText[];
extern const char kCreateErrorText[];
extern const char kAddErrorText[];

// A message box owned by the current composition window, captioned
// "Zapnest Plugin". Returns the button pressed.
int ShowMessage(const std::string& text, UINT iconAndButtons);

// Dispatches the pending messages of the composition window's parent, so
// that the mail client repaints between files.
void PumpMessages();

// Shows the wait cursor while it lives; SetAgain after pumping messages.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  void SetAgain();

 private:
  HCURSOR previous_;
};

// The mail client's temporary folder ("" when it has none).
std::string TempFolder();

// Copies `text` into a fixed buffer of `capacity` bytes, cut to fit.
void CopyText(char* buffer, size_t capacity, const std::string& text);

// Turns `record` into the zip name dialog: the zip filter at index 1, the
// zip path buffer (MAX_PATH bytes), the save title, default extension "zip",
// the save flags and the save-dialog hook. `saveTitle` (MAX_PATH bytes) receives
// the zip's bare name, or is null when it is not wanted. Record size, owner
// and file-title size stay as they were.
void MakeZipNameDialog(OPENFILENAMEA* record, char* zipPath, char* saveTitle);

// Runs the zip name dialog on `record` (already set up as a save dialog)
// until the user settles on a path: `preset` is put into the file name on
// every round; with `requiredBytes` the target drive must have that much
// room; outside the temporary folder the user is warned (unless
// ShowSaveWarning is 0) and may choose again. Returns false, after showing
// "Creation of zip archive cancelled.", when the dialog is cancelled.
bool AskZipPath(OPENFILENAMEA* record, const std::string& preset, bool checkSpace, uint64_t requiredBytes);

// Closes the archive and attaches the zip, or tells that it could not be
// made: a zip whose directory could not be written is not a zip.
struct ZipArchive;
void FinishAndAttach(ZipArchive* archive, const char* zipPath);
