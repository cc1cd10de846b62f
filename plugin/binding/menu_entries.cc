#include "plugin/binding/menu_entries.h"

#include "plugin/binding/host_api.h"
#include "plugin/binding/settings.h"
#include "plugin/commands/commands.h"
#include "plugin/commands/texts.h"

namespace {

constexpr LPARAM kComposeMenu = 10;
constexpr UINT kFilesPosition = 14;
constexpr UINT kFolderPosition = 15;

void InsertEntry(HMENU dropDown, UINT position, const char* label, const char* menuText, LPARAM kind,
                 CommandProcedure procedure) {
  const LRESULT identifier = RegisterCommandEntry()(label, kind, procedure);
  InsertMenuA(dropDown, position, MF_BYPOSITION | MF_STRING, static_cast<UINT_PTR>(identifier), menuText);
}

}  // namespace

void AddMenuEntries(HMENU menuBar, LPARAM menuKind) {
  if (menuKind != kComposeMenu) return;
  HMENU dropDown = GetSubMenu(menuBar, 0);
  InsertEntry(dropDown, kFilesPosition, kFilesEntryName, kFilesEntryText, menuKind, ZipFilesCommand);
  if (Settings().showZipFolder != 0) {
    InsertEntry(dropDown, kFolderPosition, kFolderEntryName, kFolderEntryText, menuKind, ZipFolderCommand);
  }
}
