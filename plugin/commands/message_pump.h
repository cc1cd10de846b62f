// Letting the mail client repaint while a zip is written.
#pragma once

// Dispatches the pending messages of the composition window's parent (of
// the window itself when it has none, never of the whole thread). Called
// while a zip is written, between files and during long ones (see
// ZipProgress). A WM_QUIT met here is posted again for the mail client's
// own loop.
// Returns whether it dispatched any.
bool PumpMessages();
