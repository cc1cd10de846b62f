// The running process's number, as the system shows it: part of the names
// of the temporary files the process writes, so that two processes never
// take one.
#pragma once

#include <cstdint>

uint32_t CurrentProcessId();
