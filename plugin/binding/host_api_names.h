// The mail client's entry points, in the order the plug-in resolves them. The
// list is shared by the plug-in, which binds them, and by the programs that
// stand in for the mail client, which export them.
//
// X(name, required): the first 54 are required; the last two are optional.
#pragma once

// A table, laid out by hand.
// clang-format off
#define ZAPNEST_HOST_ENTRY_POINTS(X)                                                                  \
  X(GetVersion, true) X(Command, true) X(GetWindowHandles, true) X(RegisterCommand, true)             \
  X(RegisterUICallback, true) X(GetDataFolder, true) X(GetTempFolder, true) X(GetTempFileName, true) \
  X(GetCurrentMailBox, true) X(SetCurrentMailBox, true) X(GetCurrentFolder, true)                     \
  X(SetCurrentFolder, true) X(GetFolderDisplayName, true) X(SetMessageText, true)                     \
  X(GetCurrentMail, true) X(SetCurrentMail, true) X(GetNextMail, true) X(SetSel, true)                \
  X(AppendMessage, true) X(MoveSelectedMessages, true) X(GetStatus, true) X(ComposeMail, true)        \
  X(GetCharSet, true) X(GetSource, true) X(SetSource, true) X(GetHeader, true) X(GetText, true)       \
  X(SetText, true) X(GetSpecifiedHeader, true) X(SetSpecifiedHeader, true) X(CompGetCharSet, true)    \
  X(CompGetSource, true) X(CompSetSource, true) X(CompGetHeader, true)                                \
  X(CompGetSpecifiedHeader, true) X(CompSetSpecifiedHeader, true) X(CompGetText, true)                \
  X(CompSetText, true) X(CompAttachFile, true) X(Alloc, true) X(ReAlloc, true) X(Free, true)          \
  X(ISO_2022_JP, true) X(ISO_2022_KR, true) X(HZ_GB2312, true) X(ISO_8859_2, true) X(EUC_JP, true)    \
  X(UTF_7, true) X(UTF_8, true) X(B64Convert, true) X(QPConvert, true) X(MIMEHeader, true)            \
  X(SerializeRcpts, true) X(Connect, true) X(SetStatus, false) X(NextUnread, false)
// clang-format on
