// The zip's path as the mail client takes it: text of the ANSI code page
// that fits its path buffers.
#pragma once

#include <string>

enum MailClientPathProblem {
  MailClientPathOk,
  MailClientPathNotInCodePage,  // a character the code page lacks: a look-alike would name another file
  MailClientPathTooLong,        // 260 bytes or more: it would not fit the mail client's path buffers
};

// The form of `utf8` in `codePage` (CP_ACP for the system's) in *ansi, or
// why the mail client cannot be given it.
MailClientPathProblem MailClientPath(const std::string& utf8, unsigned codePage, std::string* ansi);
