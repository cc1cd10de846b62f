// The two command procedures the mail client runs from its menu.
#pragma once

#include <windows.h>

// Zip and attach file(s): pick files in an open dialog, name the zip, attach.
void WINAPI ZipFilesCommand(LPARAM, LPARAM);

// Zip and attach folder: pick a folder, confirm its file count and size,
// name the zip, attach every plain file directly inside the folder.
void WINAPI ZipFolderCommand(LPARAM, LPARAM);
