#include "plugin/output/dialog_template.h"

DialogTemplate::DialogTemplate(DWORD style, short width, short height, const wchar_t* title) {
  Align(4);
  Put32(style | DS_SETFONT);
  Put32(0);  // extended style
  countAt_ = words_.size();
  Put16(0);  // items, counted as they are added
  Put16(0);
  Put16(0);
  Put16(static_cast<WORD>(width));
  Put16(static_cast<WORD>(height));
  Put16(0);  // no menu
  Put16(0);  // the standard dialog class
  PutText(title);
  Put16(8);
  PutText(L"MS Shell Dlg");
}

void DialogTemplate::AddItem(const wchar_t* windowClass, const wchar_t* text, int id, DWORD style, short x, short y,
                             short width, short height) {
  Align(2);  // DWORD boundary: two words
  Put32(style | WS_CHILD | WS_VISIBLE);
  Put32(0);
  Put16(static_cast<WORD>(x));
  Put16(static_cast<WORD>(y));
  Put16(static_cast<WORD>(width));
  Put16(static_cast<WORD>(height));
  Put16(static_cast<WORD>(id));
  PutText(windowClass);
  PutText(text);
  Put16(0);  // no creation data
  ++words_[countAt_];
}

void DialogTemplate::Align(size_t words) {
  while (words_.size() % words != 0) words_.push_back(0);
}

void DialogTemplate::Put16(WORD value) { words_.push_back(value); }

void DialogTemplate::Put32(DWORD value) {
  Put16(LOWORD(value));
  Put16(HIWORD(value));
}

void DialogTemplate::PutText(const wchar_t* text) {
  for (; *text != L'\0'; ++text) Put16(static_cast<WORD>(*text));
  Put16(0);
}
