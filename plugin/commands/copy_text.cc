#include "plugin/commands/copy_text.h"

#include "platform/wide_text.h"

void CopyText(wchar_t* buffer, size_t capacity, const std::string& text) {
  if (capacity == 0) return;
  std::wstring wide;
  WidenUtf8(text, &wide);
  size_t length = wide.size() < capacity - 1 ? wide.size() : capacity - 1;
  if (length > 0 && length < wide.size() && wide[length - 1] >= 0xD800 && wide[length - 1] <= 0xDBFF) --length;
  wide.copy(buffer, length);
  buffer[length] = L'\0';
}
