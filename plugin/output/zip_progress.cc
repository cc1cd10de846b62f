#include "plugin/output/zip_progress.h"

#include <commctrl.h>

#include "platform/file_replacement.h"
#include "platform/wide_text.h"
#include "plugin/binding/compose_window.h"
#include "plugin/binding/exception_boundary.h"
#include "plugin/commands/command_stop.h"
#include "plugin/commands/message_pump.h"
#include "plugin/commands/messages.h"
#include "plugin/commands/run_command.h"
#include "plugin/commands/texts.h"
#include "plugin/output/dialog_template.h"
#include "plugin/output/zip_output.h"
#include "writer/safe_output.h"

namespace {

constexpr int kFileNameId = 100;
constexpr int kCountId = 101;
constexpr int kBarId = 102;
// The bar's range: fine enough for a smooth bar, within the 16 bits that
// PBM_SETRANGE takes on every version of the common controls.
constexpr int kBarSteps = 1000;

}  // namespace

// Cancel, Esc and the window's close box all arrive as IDCANCEL; the window
// stays until the command takes it away. It is a top-level window of the
// mail client's thread, hidden until it is due, so the end of the session
// reaches it while a zip is written. What it calls reaches the command
// through DWLP_USER, which Close clears before the command ends.
INT_PTR CALLBACK ZipProgress::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  auto* progress = reinterpret_cast<ZipProgress*>(GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    // No focus is set while hidden: the message keeps its caret, and the
    // mail client its activation, for a zip that never shows this window.
    case WM_INITDIALOG: return FALSE;
    case WM_COMMAND:
      if (LOWORD(wParam) != IDCANCEL) return FALSE;
      if (progress != nullptr) progress->Stop(StoppedByUser);
      EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
      return TRUE;
    case WM_QUERYENDSESSION:
      // Nothing holds the session up. The zip goes on: another program may
      // still refuse the end.
      SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
      return TRUE;
    case WM_ENDSESSION:
      // It ends: the process may be ended as soon as this returns, before
      // the command unwinds, so the zip stops and what was written goes
      // now. The file is deleted while the writer still holds it open (it
      // was created to allow that) and is gone once the process's handles
      // close.
      if (wParam != FALSE) {
        SessionEnding();
        if (progress != nullptr) progress->RemoveTemporaryNow();
      }
      return TRUE;
    default: return FALSE;
  }
}

void ZipProgress::RemoveTemporaryNow() noexcept {
  CatchEverything(false, [this] {
    if (output_ == nullptr) return false;
    SafeOutput* output = output_->output();
    if (output->temporary.empty() || !RemoveFile(output->temporary)) return false;
    output->temporary.clear();
    return true;
  });
}

namespace {

HWND CreateProgressWindow(HWND owner, DLGPROC procedure, void* context) {
  INITCOMMONCONTROLSEX controls;
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_PROGRESS_CLASS;
  InitCommonControlsEx(&controls);
  DialogTemplate dialog(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 240, 78, kProgressTitle);
  dialog.AddItem(L"STATIC", L"", kFileNameId, SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, 10, 8, 220, 9);
  dialog.AddItem(L"STATIC", L"", kCountId, SS_LEFT | SS_NOPREFIX, 10, 20, 220, 9);
  dialog.AddItem(PROGRESS_CLASSW, L"", kBarId, WS_BORDER, 10, 34, 220, 10);
  dialog.AddItem(L"BUTTON", kProgressCancel, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 180, 54, 50, 14);
  HWND window = CreateDialogIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), owner, procedure, 0);
  if (window == nullptr) return nullptr;
  SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(context));
  SendDlgItemMessageW(window, kBarId, PBM_SETRANGE, 0, MAKELPARAM(0, kBarSteps));
  // Over the message it is for, as the command's other dialogs are.
  RECT ownerRect;
  RECT own;
  if (GetWindowRect(owner, &ownerRect) && GetWindowRect(window, &own)) {
    const int x = ownerRect.left + ((ownerRect.right - ownerRect.left) - (own.right - own.left)) / 2;
    const int y = ownerRect.top + ((ownerRect.bottom - ownerRect.top) - (own.bottom - own.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return window;
}

}  // namespace

ZipProgress::ZipProgress(CommandOutput* output, size_t fileCount, uint64_t totalBytes)
    : output_(output),
      owner_(CurrentComposeWindow()),
      started_(GetTickCount()),
      lastPump_(started_),
      fileCount_(fileCount),
      totalBytes_(totalBytes) {
  // First, so that a failure to make it (an exception when memory runs
  // out) leaves the archive without a report into an object never made.
  MakeWindow();
  output_->ReportReadsTo(OnRead, this);
}

ZipProgress::~ZipProgress() { Close(); }

void ZipProgress::Close() {
  if (output_ != nullptr) {
    output_->ReportReadsTo(nullptr, nullptr);
    output_ = nullptr;
  }
  if (window_ != nullptr) {
    SetWindowLongPtrW(window_, DWLP_USER, 0);
    // The owner takes the activation back before its owned window goes, so
    // the mail client does not fall behind another program.
    if ((shown_ || GetActiveWindow() == window_) && IsWindow(owner_)) SetActiveWindow(owner_);
    // Gone whoever Windows made its owner: when the message is a child of
    // a frame, the frame owns it, and closing the message leaves it.
    if (IsWindow(window_)) DestroyWindow(window_);
    window_ = nullptr;
  }
}

bool ZipProgress::NextFile(const std::string& shownName, uint64_t size) {
  if (fileNumber_ > 0) bytesBefore_ += fileSize_;
  ++fileNumber_;
  fileSize_ = size;
  fileName_.clear();
  WidenUtf8(shownName, &fileName_);
  ShowFile();
  Pump();
  barMoved_ = GetTickCount() - kBarInterval;  // a new file moves the bar at once
  UpdateBar(0);
  return !Stopped();
}

bool ZipProgress::OnRead(void* context, uint32_t bytesRead) noexcept {
  auto* progress = static_cast<ZipProgress*>(context);
  // No exception may pass through the archive writer, which would be left
  // in the middle of an entry: one (no memory for the window, say) stops
  // the add here instead, and the command reports the failure.
  try {
    // One tick count per read of 16 KiB: the cost of looking is nothing
    // beside the compression of those bytes.
    if (GetTickCount() - progress->lastPump_ >= kPumpInterval) {
      progress->Pump();
      progress->UpdateBar(bytesRead);
    }
  } catch (...) {
    progress->Stop(StoppedByFailure);
  }
  return !progress->Stopped();
}

void ZipProgress::Stop(ProgressStop cause) {
  if (cause > stop_) stop_ = cause;
}

const char* ZipProgress::StopMessage() const {
  switch (stop_) {
    case StoppedSilently: return nullptr;
    case StoppedByFailure: return kCreateErrorText;
    default: return kCancelledText;
  }
}

void ZipProgress::Pump() {
  lastPump_ = GetTickCount();
  ShowIfDue();
  bool dispatched = PumpMessages();
  if (window_ != nullptr) {
    MSG message;
    while (IsWindow(window_) && PeekMessageW(&message, window_, 0, 0, PM_REMOVE)) {
      if (!IsDialogMessageW(window_, &message)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
      dispatched = true;
    }
  }
  // The message being written was closed (there is no window left to
  // attach the zip to), the plug-in is unloaded or the session ends: the
  // zip ends without a word.
  if (CommandStopped()) Stop(StoppedSilently);
  if (window_ != nullptr && !IsWindow(window_)) {
    Stop(StoppedByUser);
    window_ = nullptr;
  }
  // Only a message handled may have changed the cursor; setting it costs a
  // call to the window system.
  if (dispatched) cursor_.SetAgain();
}

void ZipProgress::MakeWindow() { window_ = CreateProgressWindow(owner_, DialogProc, this); }

void ZipProgress::ShowIfDue() {
  if (shown_ || Stopped() || GetTickCount() - started_ < kProgressDelay) return;
  // Made again when it could not be made at the start (memory, say).
  if (window_ == nullptr) MakeWindow();
  if (window_ == nullptr) return;
  shown_ = true;
  ShowFile();
  barMoved_ = GetTickCount() - kBarInterval;
  ShowWindow(window_, SW_SHOW);
  // Cancel takes the focus, so that Enter, Space and Esc reach it.
  SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, IDCANCEL)), TRUE);
  UpdateWindow(window_);
}

void ZipProgress::ShowFile() {
  if (!shown_ || window_ == nullptr) return;
  SetDlgItemTextW(window_, kFileNameId, fileName_.c_str());
  std::wstring count;
  WidenUtf8(FileCountText(fileNumber_, fileCount_), &count);
  SetDlgItemTextW(window_, kCountId, count.c_str());
}

void ZipProgress::UpdateBar(uint32_t bytesReadOfFile) {
  if (!shown_ || window_ == nullptr || totalBytes_ == 0) return;
  // A file that grew since it was counted stays within its share.
  const uint64_t ofFile = bytesReadOfFile < fileSize_ ? bytesReadOfFile : fileSize_;
  const uint64_t done = bytesBefore_ + ofFile;
  const int step = done >= totalBytes_ ? kBarSteps : static_cast<int>(done * kBarSteps / totalBytes_);
  const DWORD now = GetTickCount();
  if (step == shownStep_ || now - barMoved_ < kBarInterval) return;
  shownStep_ = step;
  barMoved_ = now;
  SendDlgItemMessageW(window_, kBarId, PBM_SETPOS, static_cast<WPARAM>(step), 0);
}
