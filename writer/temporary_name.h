// The names an archive is written under until it is complete,
// ".zapnest-<process>-<n>.tmp", in the folder of the file it becomes: the
// same for the command-line tool and the plug-in.
#pragma once

#include <cstdint>
#include <string>

// The bare name of the temporary file that process `process` tries for its
// `attempt`th time.
std::string TemporaryName(uint32_t process, uint32_t attempt);

// Whether a bare name has that form: ".zapnest-", digits, "-", digits,
// ".tmp". Such a file is what an interrupted run left behind, never a file
// of the folder it lies in.
bool IsTemporaryName(const std::string& name);
