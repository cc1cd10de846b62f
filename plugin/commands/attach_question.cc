#include "plugin/commands/attach_question.h"

#include <windows.h>

#include <cstdint>

#include "platform/file_status.h"
#include "plugin/binding/settings.h"
#include "plugin/commands/mail_size.h"
#include "plugin/commands/messages.h"
#include "plugin/commands/texts.h"

bool AttachAnyway(const std::string& zipPath, const std::vector<std::string>& leftOut) {
  const uint32_t limit = Settings().mailSizeLimit;
  uint64_t bytes = 0;
  // A zip whose size cannot be read now is not held back for it.
  const std::string mailSize =
      FileSize(zipPath, &bytes) && TooLargeToMail(bytes, limit) ? MailSizeText(zipPath, bytes, limit) : "";
  if (leftOut.empty() && mailSize.empty()) return true;
  return ShowMessage(AttachQuestion(leftOut, mailSize), MB_YESNO | MB_ICONQUESTION) == IDYES;
}
