#include "plugin/output/zip_output.h"

#include "platform/file_status.h"
#include "platform/threads.h"
#include "plugin/binding/compose_window.h"
#include "plugin/binding/exception_boundary.h"
#include "plugin/binding/host_api.h"
#include "plugin/binding/settings.h"
#include "plugin/commands/command_stop.h"
#include "plugin/commands/messages.h"

// Also while an exception passes, so nothing may leave here.
CommandOutput::~CommandOutput() {
  CatchEverything(false, [this] { return AbandonSafeOutput(&output_); });
}

bool CommandOutput::Create(const std::string& zipPath) {
  output_.target = zipPath;
  // The archive's read report is fixed when it is created; it goes through
  // here to whoever watches the zip at the time.
  output_.options.readProgress = ForwardRead;
  output_.options.readProgressContext = this;
  // Large files are deflated on every processor unless the user set a
  // number; the bytes are the same either way.
  const UINT threads = Settings().threads;
  output_.options.deflateThreads = threads == 0 ? ProcessorCount() : threads;
  SafeOutputFailure failure{};
  // A folder, a device or a pipe is never replaced by a zip.
  if (KindOf(zipPath) != PathOther && StartSafeOutput(&output_, &failure)) return true;
  AbandonSafeOutput(&output_);
  ShowMessage(kCreateErrorText, MB_OK | MB_ICONINFORMATION);
  return false;
}

void CommandOutput::ReportReadsTo(bool (*report)(void* context, uint32_t bytesRead), void* context) {
  report_ = report;
  reportContext_ = context;
}

bool CommandOutput::ForwardRead(void* context, uint32_t bytesRead) {
  auto* self = static_cast<CommandOutput*>(context);
  return self->report_ == nullptr || self->report_(self->reportContext_, bytesRead);
}

void CommandOutput::Abandon(const char* message) {
  AbandonSafeOutput(&output_);
  if (message != nullptr) ShowMessage(message, MB_OK | MB_ICONINFORMATION);
}

bool CommandOutput::Finish() {
  SafeOutputFailure failure{};
  if (FinishSafeOutput(&output_, &failure)) return true;
  Abandon(kCreateErrorText);
  return false;
}

void AttachZip(const std::string& mailClientPath) {
  // A message closed since the command began gets nothing, and no other
  // message gets its zip.
  HWND compose = CurrentComposeWindow();
  if (CommandStopped() || !IsWindow(compose)) return;
  CompAttachFileEntry()(compose, mailClientPath.c_str(), nullptr);
}
