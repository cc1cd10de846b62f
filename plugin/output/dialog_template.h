// A dialog template built in memory, for a library that carries no
// resources: DLGTEMPLATE, its menu, class, title and font (8-point "MS Shell
// Dlg"), then each item on a DWORD boundary with its class and text, all in
// UTF-16.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

class DialogTemplate {
 public:
  // A dialog of `style` (DS_SETFONT added) and that size in dialog units.
  DialogTemplate(DWORD style, short width, short height, const wchar_t* title);

  // Adds a visible child of `windowClass` (WS_CHILD and WS_VISIBLE added).
  void AddItem(const wchar_t* windowClass, const wchar_t* text, int id, DWORD style, short x, short y, short width,
               short height);

  // The template, valid while this object lives and no item is added.
  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Align(size_t words);
  void Put16(WORD value);
  void Put32(DWORD value);
  void PutText(const wchar_t* text);

  // WORDs of a vector's storage are aligned for the DWORDs the template's
  // fields need once the vector's own allocation is.
  std::vector<WORD> words_;
  size_t countAt_ = 0;
};
