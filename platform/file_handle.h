// An open file, as the platform layer hands it out.
#pragma once

// kNoFile is never a valid handle.
using FileHandle = void*;
constexpr FileHandle kNoFile = nullptr;
