// Writing an archive beside the file it replaces, on real files: natively
// (an unnamed file where the file system has them) and under Wine (a
// temporary name).
#include "writer/safe_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/support/test_data.h"
#include "tests/support/test_files.h"
#include "tests/support/zip_reader.h"
#include "writer/archive.h"
#include "writer/temporary_name.h"

namespace {

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

std::vector<std::string> takenNames;
void NoteTemporaryName(const std::string& path) { takenNames.push_back(path); }

struct Target {
  TempDir dir;
  std::string path = dir.File("report.zip");
  std::vector<uint8_t> old = RandomBytes(5000, 28);
  std::string source = dir.File("a.txt");
  Target() {
    WriteWholeFile(path, old);
    WriteWholeFile(source, WordText(20000, 3));
  }
};

bool StartAndAdd(const Target& target, SafeOutput* output) {
  output->target = target.path;
  output->tookTemporaryName = NoteTemporaryName;
  SafeOutputFailure failure{};
  return StartSafeOutput(output, &failure) &&
         AddFileToArchive(output->archive, "a.txt", target.source.c_str()).code == ArchiveOk;
}

TEST(SafeOutput, TheTargetKeepsItsBytesUntilTheArchiveIsCompleteThenTakesItsPlace) {
  Target target;
  takenNames.clear();
  SafeOutput output;
  ASSERT_TRUE(StartAndAdd(target, &output));
  EXPECT_EQ(target.old, ReadWholeFile(target.path));
  SafeOutputFailure failure{};
  ASSERT_TRUE(FinishSafeOutput(&output, &failure));
  EXPECT_TRUE(output.temporary.empty());
  const ReadArchive contents = ReadZip(ReadWholeFile(target.path));
  ASSERT_TRUE(contents.ok) << contents.error;
  ASSERT_EQ(1u, contents.entries.size());
  EXPECT_EQ(ReadWholeFile(target.source), contents.entries[0].data);
  EXPECT_EQ((std::set<std::string>{"a.txt", "report.zip"}), NamesIn(target.dir.path()));
  // Every name the output took lay beside the target and was its own.
  ASSERT_FALSE(takenNames.empty());
  for (const std::string& name : takenNames) {
    const std::filesystem::path taken(name);
    EXPECT_EQ(std::filesystem::path(target.path).parent_path(), taken.parent_path());
    EXPECT_TRUE(IsTemporaryName(taken.filename().string())) << name;
  }
}

TEST(SafeOutput, GivingUpLeavesTheTargetByteIdenticalAndNothingBesideIt) {
  Target target;
  SafeOutput output;
  ASSERT_TRUE(StartAndAdd(target, &output));
  EXPECT_TRUE(AbandonSafeOutput(&output));
  EXPECT_TRUE(AbandonSafeOutput(&output));  // a second time does nothing
  EXPECT_EQ(target.old, ReadWholeFile(target.path));
  EXPECT_EQ((std::set<std::string>{"a.txt", "report.zip"}), NamesIn(target.dir.path()));
}

TEST(SafeOutput, ATargetThatIsNotThereIsCreated) {
  Target target;
  std::filesystem::remove(target.path);
  SafeOutput output;
  ASSERT_TRUE(StartAndAdd(target, &output));
  SafeOutputFailure failure{};
  ASSERT_TRUE(FinishSafeOutput(&output, &failure));
  EXPECT_EQ(1u, ReadZip(ReadWholeFile(target.path)).entries.size());
  EXPECT_EQ((std::set<std::string>{"a.txt", "report.zip"}), NamesIn(target.dir.path()));
}

TEST(SafeOutput, AFolderThatCannotHoldItFailsAtTheStartWithTheSystemsReason) {
  TempDir dir;
  SafeOutput output;
  output.target = dir.File("missing/out.zip");
  SafeOutputFailure failure{};
  EXPECT_FALSE(StartSafeOutput(&output, &failure));
  EXPECT_EQ(SafeOutputCreate, failure.step);
  EXPECT_NE(0u, failure.systemError);
  EXPECT_TRUE(AbandonSafeOutput(&output));
  EXPECT_TRUE(NamesIn(dir.path()).empty());
}

TEST(SafeOutput, AFolderInThePlaceOfTheTargetIsNotReplaced) {
  Target target;
  const std::string folder = target.dir.File("folder.zip");
  std::filesystem::create_directory(folder);
  SafeOutput output;
  output.target = folder;
  SafeOutputFailure failure{};
  // Windows refuses at the start, POSIX when the rename meets the folder.
  EXPECT_FALSE(StartSafeOutput(&output, &failure) && FinishSafeOutput(&output, &failure));
  EXPECT_EQ(SafeOutputReplace, failure.step);
  EXPECT_TRUE(AbandonSafeOutput(&output));
  EXPECT_TRUE(std::filesystem::is_directory(folder));
  EXPECT_EQ((std::set<std::string>{"a.txt", "folder.zip", "report.zip"}), NamesIn(target.dir.path()));
}

// Windows' own rules for the file replaced.
#ifdef _WIN32
constexpr bool kOnWindows = true;
#else
constexpr bool kOnWindows = false;
#endif

TEST(SafeOutput, OnWindowsAReadOnlyTargetIsRefusedBeforeAnythingIsWritten) {
  if (!kOnWindows) GTEST_SKIP() << "a rename replaces a read-only file on POSIX";
  Target target;
  SetReadOnly(target.path, true);
  SafeOutput output;
  output.target = target.path;
  SafeOutputFailure failure{};
  EXPECT_FALSE(StartSafeOutput(&output, &failure));
  EXPECT_EQ(SafeOutputReplace, failure.step);
  EXPECT_NE(0u, failure.systemError);
  EXPECT_TRUE(AbandonSafeOutput(&output));
  SetReadOnly(target.path, false);
  EXPECT_EQ(target.old, ReadWholeFile(target.path));
  EXPECT_EQ((std::set<std::string>{"a.txt", "report.zip"}), NamesIn(target.dir.path()));
}

TEST(SafeOutput, OnWindowsTheReplacedFileKeepsTheNameItHasOnDisk) {
  if (!kOnWindows) GTEST_SKIP() << "names differ in case alone on POSIX";
  Target target;
  SafeOutput output;
  ASSERT_TRUE(StartAndAdd(target, &output));
  output.target = target.dir.File("REPORT.ZIP");
  SafeOutputFailure failure{};
  ASSERT_TRUE(FinishSafeOutput(&output, &failure));
  EXPECT_EQ((std::set<std::string>{"a.txt", "report.zip"}), NamesIn(target.dir.path()));
  EXPECT_EQ(1u, ReadZip(ReadWholeFile(target.path)).entries.size());
}

TEST(SafeOutput, AWildcardInTheNameNeverReachesAnotherFile) {
  Target target;
  SafeOutput output;
  ASSERT_TRUE(StartAndAdd(target, &output));
  output.target = target.dir.File("*.zip");
  SafeOutputFailure failure{};
  // Windows refuses the name; POSIX takes it as it is.
  const bool finished = FinishSafeOutput(&output, &failure);
  EXPECT_NE(kOnWindows, finished);
  EXPECT_TRUE(AbandonSafeOutput(&output));
  EXPECT_EQ(target.old, ReadWholeFile(target.path));
}

}  // namespace
