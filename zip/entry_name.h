// Entry names and the choice between storing and deflating.
#pragma once

#include <cstdint>

#include "zip/zip_entry.h"

constexpr uint16_t kMethodStored = 0;
constexpr uint16_t kMethodDeflated = 8;

// What makes a name unfit for an entry. Names are judged after every
// backslash separator has become '/', as readers will see them.
enum EntryNameProblem {
  EntryNameOk,
  EntryNameEmpty,
  EntryNameTooLong,   // more than 259 bytes: cut short, two names could collide
  EntryNameAbsolute,  // starts with a separator
  EntryNameDrive,     // starts with a drive prefix such as "C:"
  EntryNameClimbs,    // has a ".." component, which leads out of the extraction folder
  EntryNameFolder,    // ends with a separator, so readers take it for a folder
};

// Judges `name` (nullptr counts as empty) as SetEntryName would.
EntryNameProblem CheckEntryName(const char* name);

// Copies `name` into the entry's `name` and `nameLength`, with every
// backslash separator written as '/'. Bytes stay in the ANSI code page; the
// second byte of a double-byte character is never taken for a separator.
// Returns false, leaving the entry's name empty, when CheckEntryName finds a
// problem: a name that a reader would extract outside its folder, or could
// confuse with another, is never written.
bool SetEntryName(ZipEntry* entry, const char* name);

// kMethodStored for names whose suffix (from the last '.') is one of the
// already-compressed formats, compared without regard to case; otherwise
// kMethodDeflated.
uint16_t ChooseMethod(const char* name);
