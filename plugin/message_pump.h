// Letting the mail client repaint while a zip is written.
#pragma once

// Dispatches the pending messages of the composition window's parent (of
// the window itself when it has none, never of the whole thread). Called
// between files, never during one.
void PumpMessages();
