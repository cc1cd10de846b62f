// What a zip weighs in a mail message, against the size the user lets a
// message have (setting MailSizeLimit).
#pragma once

#include <cstdint>
#include <string>

// Bytes a file of `bytes` takes in a message: base64, four characters for
// every three bytes or part of them, in lines of 76 characters, each ended
// by CR LF.
uint64_t SizeInMessage(uint64_t bytes);

// Whether a zip of `bytes` takes more than `limitMegabytes` million bytes in
// a message; never with a limit of 0, which turns the check off. Mail
// services state their limits in megabytes without saying which: counted
// in millions, a message is never let through above either.
bool TooLargeToMail(uint64_t bytes, uint32_t limitMegabytes);

// `bytes` in megabytes of a million bytes, rounded up to a tenth: "16.8".
// Rounded up, a size just past a limit never shows as the limit itself.
std::string MegabytesText(uint64_t bytes);
