// The version resource of the built Zapnest.dll and zapnest.exe, read back
// through Windows' own version functions (Wine's here), as Explorer's
// Details tab and installers read it. The expected version is CMake's
// project version, handed in as ZAPNEST_VERSION.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string dllPath;  // the built Zapnest.dll and zapnest.exe, from the command line
std::string exePath;

struct Binary {
  const std::string* path;
  DWORD fileType;
};

const Binary kBinaries[] = {{&dllPath, VFT_DLL}, {&exePath, VFT_APP}};

std::wstring Widen(const std::string& text) {
  const int length = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], length);
  wide.resize(static_cast<size_t>(length - 1));
  return wide;
}

std::string Narrow(const wchar_t* wide) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string text(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, &text[0], length, nullptr, nullptr);
  text.resize(static_cast<size_t>(length - 1));
  return text;
}

// The whole version resource of the file at `path`; empty when it has none.
std::vector<unsigned char> ReadVersionResource(const std::string& path) {
  const std::wstring wide = Widen(path);
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<unsigned char> resource(size);
  if (!GetFileVersionInfoW(wide.c_str(), 0, size, resource.data())) return {};
  return resource;
}

// The value at `subBlock` and its length as VerQueryValueW counts it
// (characters for texts, bytes otherwise); null when it is absent.
const void* Query(const std::vector<unsigned char>& resource, const wchar_t* subBlock, UINT* length) {
  void* value = nullptr;
  *length = 0;
  if (!VerQueryValueW(resource.data(), subBlock, &value, length)) return nullptr;
  return value;
}

// A text of the US English, Unicode table; "(absent)" when there is none.
std::string Text(const std::vector<unsigned char>& resource, const std::wstring& name) {
  UINT length = 0;
  const void* value = Query(resource, (L"\\StringFileInfo\\040904B0\\" + name).c_str(), &length);
  if (value == nullptr) return "(absent)";
  return Narrow(static_cast<const wchar_t*>(value));
}

// The four numbers of a version resource for a dotted version: "1.1" is
// 1.1.0.0, as Windows shows a version with fewer parts.
std::vector<unsigned> FourParts(const std::string& version) {
  std::vector<unsigned> parts;
  std::istringstream in(version);
  std::string part;
  while (std::getline(in, part, '.')) parts.push_back(static_cast<unsigned>(std::stoul(part)));
  parts.resize(4, 0);
  return parts;
}

std::vector<unsigned> Parts(DWORD mostSignificant, DWORD leastSignificant) {
  return {HIWORD(mostSignificant), LOWORD(mostSignificant), HIWORD(leastSignificant), LOWORD(leastSignificant)};
}

TEST(VersionResource, FixedNumbersAreTheProjectVersionAndTheKindOfFile) {
  for (const Binary& binary : kBinaries) {
    SCOPED_TRACE(*binary.path);
    const std::vector<unsigned char> resource = ReadVersionResource(*binary.path);
    ASSERT_FALSE(resource.empty()) << "no version resource, error " << GetLastError();
    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(Query(resource, L"\\", &length));
    ASSERT_NE(nullptr, fixed);
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    EXPECT_EQ(FourParts(ZAPNEST_VERSION), Parts(fixed->dwFileVersionMS, fixed->dwFileVersionLS));
    EXPECT_EQ(FourParts(ZAPNEST_VERSION), Parts(fixed->dwProductVersionMS, fixed->dwProductVersionLS));
    EXPECT_EQ(0u, fixed->dwFileFlags & fixed->dwFileFlagsMask) << "a release is neither debug nor prerelease";
    EXPECT_EQ(static_cast<DWORD>(VOS_NT_WINDOWS32), fixed->dwFileOS);
    EXPECT_EQ(binary.fileType, fixed->dwFileType);
  }
}

TEST(VersionResource, TextsNameTheProductItsMakersAndTheProjectVersion) {
  for (const Binary& binary : kBinaries) {
    SCOPED_TRACE(*binary.path);
    const std::vector<unsigned char> resource = ReadVersionResource(*binary.path);
    ASSERT_FALSE(resource.empty()) << "no version resource, error " << GetLastError();
    EXPECT_EQ(ZAPNEST_VERSION, Text(resource, L"ProductVersion"));
    EXPECT_EQ(ZAPNEST_VERSION, Text(resource, L"FileVersion"));
    EXPECT_EQ("Zapnest", Text(resource, L"ProductName"));
    EXPECT_EQ("The Zapnest developers", Text(resource, L"CompanyName"));
    EXPECT_NE(std::string::npos, Text(resource, L"LegalCopyright").find("The Zapnest developers"));
    EXPECT_NE(std::string::npos, Text(resource, L"FileDescription").find("Zapnest"));
  }
}

TEST(VersionResource, OriginalFilenameIsTheNameTheBuildGivesTheFile) {
  for (const Binary& binary : kBinaries) {
    const std::string& path = *binary.path;
    const std::string built = path.substr(path.find_last_of("/\\") + 1);
    EXPECT_EQ(built, Text(ReadVersionResource(path), L"OriginalFilename")) << path;
  }
}

TEST(VersionResource, TheOneTranslationIsUsEnglishInUnicode) {
  for (const Binary& binary : kBinaries) {
    SCOPED_TRACE(*binary.path);
    const std::vector<unsigned char> resource = ReadVersionResource(*binary.path);
    UINT length = 0;
    const auto* translation = static_cast<const WORD*>(Query(resource, L"\\VarFileInfo\\Translation", &length));
    ASSERT_NE(nullptr, translation);
    ASSERT_EQ(2 * sizeof(WORD), length);
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(1200, translation[1]);
  }
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 3) {
    fprintf(stderr, "usage: %s PATH-OF-Zapnest.dll PATH-OF-zapnest.exe\n", argv[0]);
    return 2;
  }
  dllPath = argv[1];
  exePath = argv[2];
  return RUN_ALL_TESTS();
}
