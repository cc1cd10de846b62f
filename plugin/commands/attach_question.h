// The last question of a command, between the zip's closing and its
// attachment.
#pragma once

#include <string>
#include <vector>

// Asks once, with the question icon, Yes and No, when files were left out
// of the zip (`leftOut`, the names to list) or when it takes more than the
// MailSizeLimit setting's megabytes in a message, or both. True when there
// is nothing to ask or the user said Yes. No attaches nothing and leaves the
// zip at `zipPath` (UTF-8), where it was saved, with no further message.
bool AttachAnyway(const std::string& zipPath, const std::vector<std::string>& leftOut);
