#include <windows.h>

#include "platform/process_id.h"

uint32_t CurrentProcessId() { return GetCurrentProcessId(); }
