#include "plugin/binding/ini_path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string IniFor(const std::string& module, size_t capacity = 260) {
  std::string out(capacity, '\x7F');
  if (!IniPathForModule(module.c_str(), &out[0], capacity)) return "<none>";
  return out.c_str();
}

TEST(IniPath, ReplacesTheModulesExtension) {
  EXPECT_EQ("C:\\Orvel\\Plugins\\Zapnest.ini", IniFor("C:\\Orvel\\Plugins\\Zapnest.dll"));
  EXPECT_EQ("C:\\Orvel\\Zapnest.old.ini", IniFor("C:\\Orvel\\Zapnest.old.dll"));
  EXPECT_EQ("C:\\Orvel.2\\Plugins\\Zapnest.ini", IniFor("C:\\Orvel.2\\Plugins\\Zapnest.dll"));
}

TEST(IniPath, AppendsToANameWithoutExtensionEvenInADottedFolder) {
  EXPECT_EQ("C:\\Orvel\\Zapnest.ini", IniFor("C:\\Orvel\\Zapnest"));
  // Cut at the folder's dot, the settings would land in C:\Orvel.ini.
  EXPECT_EQ("C:\\Orvel.App\\Zapnest.ini", IniFor("C:\\Orvel.App\\Zapnest"));
  EXPECT_EQ("/opt/orvel.d/zapnest.ini", IniFor("/opt/orvel.d/zapnest"));
}

TEST(IniPath, RefusesWhatDoesNotFit) {
  EXPECT_EQ("<none>", IniFor(""));
  const std::string folder = "C:\\" + std::string(250, 'f') + "\\";
  EXPECT_EQ(folder + "Z.ini", IniFor(folder + "Z.dll", folder.size() + 6));
  EXPECT_EQ("<none>", IniFor(folder + "Z.dll", folder.size() + 5));
  EXPECT_EQ("<none>", IniFor(folder + "Zapnest", folder.size() + 8));
}

}  // namespace
