// Entry names and the choice between storing and deflating.
#pragma once

#include <cstdint>

#include "zip/zip_entry.h"

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

// General-purpose bit 11: the name is UTF-8. Set for every name with a byte
// outside ASCII; readers take a name without it for their OEM code page or
// code page 437, where "é" reads as "Θ".
constexpr uint16_t kUtf8NameFlag = 0x0800;

// What makes a name unfit for an entry. Names are judged after every
// backslash separator has become '/', as readers will see them, and by what
// a reader on Windows would make of them: a name that it would extract
// elsewhere, under another name, or not at all is refused.
enum EntryNameProblem {
  EntryNameOk,
  EntryNameEmpty,
  EntryNameTooLong,             // more than 259 bytes: cut short, two names could collide
  EntryNameNotUtf8,             // bytes that are not UTF-8: no reader could show the name as it was
  EntryNameAbsolute,            // starts with a separator
  EntryNameDrive,               // starts with a drive prefix such as "C:"
  EntryNameClimbs,              // has a ".." component, which leads out of the extraction folder
  EntryNameFolder,              // ends with a separator, so readers take it for a folder
  EntryNameForbiddenCharacter,  // < > : " | ? * or a control character (0x01-0x1F): Windows cannot create it
  EntryNameTrailingDotOrSpace,  // a component ends in '.' or ' ', which Windows drops: it would be another name
  EntryNameDeviceName,          // a component is CON, PRN, AUX, NUL, COM1-9 or LPT1-9, with or without
                                // an extension, in any case: Windows opens the device, no file
};

// Judges `name` (nullptr counts as empty) as SetEntryName would.
EntryNameProblem CheckEntryName(const char* name);

// Copies `name` into the entry's `name` and `nameLength`, with every
// backslash written as '/' (no byte of a UTF-8 character is a backslash),
// and sets kUtf8NameFlag in `gpFlags` when the name is not all ASCII.
// Returns false, leaving the entry's name empty and its flags alone, when
// CheckEntryName finds a problem: a name that a reader would extract outside
// its folder, under another name, or not at all is never written.
bool SetEntryName(ZipEntry* entry, const char* name);

// Judges `name` as the name of a folder entry, written with a '/' after it
// so that readers make it a folder: as CheckEntryName, and EntryNameTooLong
// when that '/' would take it past 259 bytes.
EntryNameProblem CheckFolderEntryName(const char* name);

// As SetEntryName, for a folder entry: `name` with a '/' after it.
bool SetFolderEntryName(ZipEntry* entry, const char* name);

// kMethodStored for names whose suffix (from the last '.') is one of the
// already-compressed formats, compared without regard to case; otherwise
// kMethodDeflated.
uint16_t ChooseMethod(const char* name);
