#include "plugin/commands/wait_cursor.h"

WaitCursor::WaitCursor() : previous_(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}

WaitCursor::~WaitCursor() { SetCursor(previous_); }

void WaitCursor::SetAgain() { SetCursor(LoadCursorA(nullptr, IDC_WAIT)); }
