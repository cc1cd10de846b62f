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

// Runs a command's body for the mail client: only while there is a
// composition window to own its dialogs and receive the zip (otherwise it
// says "Creation of zip archive cancelled." owned by no window), and as a
// boundary that no exception passes: one that reaches it ends the command
// with "Error creating zip archive.".
void RunCommand(void (*body)()) noexcept;

// Dispatches the pending messages of the composition window's parent (of
// the window itself when it has none, never of the whole thread), so that
// the mail client repaints between files.
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

// Owns an archive being written until it is closed, also when an exception
// passes: the zip file is then closed and its memory released.
struct ZipArchive;
class OpenArchive {
 public:
  OpenArchive() = default;
  ~OpenArchive();
  OpenArchive(const OpenArchive&) = delete;
  OpenArchive& operator=(const OpenArchive&) = delete;

  // Creates the zip at `zipPath`; false when it cannot be created.
  bool Create(const char* zipPath);
  ZipArchive* get() const { return archive_; }
  // Closes it; returns CloseArchive's result.
  int32_t Close();

 private:
  ZipArchive* archive_ = nullptr;
};

// Whether a failed add was the source's doing (it cannot be opened or read,
// is too large, or no longer fits the archive), after which the archive can
// take further files, rather than the zip's own (a write, a reposition,
// memory). `systemError` is LastFileError after the add.
bool IsSourceFailure(int32_t code, uint32_t systemError);

// Closes the archive and attaches the zip, or tells that it could not be
// made: a zip whose directory could not be written is not a zip.
void FinishAndAttach(OpenArchive* archive, const char* zipPath);
