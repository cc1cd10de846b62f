#include "plugin/binding/mail_client_path.h"

#include <windows.h>

#include "platform/code_page.h"

MailClientPathProblem MailClientPath(const std::string& utf8, unsigned codePage, std::string* ansi) {
  if (!Utf8ToCodePage(codePage, utf8, ansi)) return MailClientPathNotInCodePage;
  // The dialogs the mail client was written with hold MAX_PATH bytes with
  // the NUL; in a double-byte code page that is fewer characters.
  if (ansi->size() >= MAX_PATH) return MailClientPathTooLong;
  return MailClientPathOk;
}
