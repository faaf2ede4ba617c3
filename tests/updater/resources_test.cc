// What the built PARLEYNEST-Updater.exe carries: version texts, icon group
// and manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "win_test_support.h"

namespace {

const std::wstring& updater_path() {
  static const std::wstring path = test_support::beside_test(L"PARLEYNEST-Updater.exe").wstring();
  return path;
}

std::wstring version_string(const std::vector<char>& block, const std::wstring& name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring query = L"\\StringFileInfo\\041204B0\\" + name;
  if (!VerQueryValueW(block.data(), query.c_str(), &value, &length) || length == 0)
    return L"<none>";
  return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(UpdaterResources, VersionInformationInKorean) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(updater_path().c_str(), &ignored);
  ASSERT_GT(size, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoW(updater_path().c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00000001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00100000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00000001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00100000u);

  WORD* translation = nullptr;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void**>(&translation), &length));
  ASSERT_GE(length, 4u);
  EXPECT_EQ(translation[0], 0x0412);
  EXPECT_EQ(translation[1], 1200);

  EXPECT_EQ(version_string(block, L"ProductName"), L"파랑둥지");
  EXPECT_EQ(version_string(block, L"FileDescription"), L"파랑둥지 업데이트");
  EXPECT_EQ(version_string(block, L"InternalName"), L"PARLEYNEST-Updater");
  EXPECT_EQ(version_string(block, L"OriginalFilename"), L"PARLEYNEST-Updater.exe");
  EXPECT_EQ(version_string(block, L"CompanyName"), L"NESTWORKS");
}

TEST(UpdaterResources, IconGroupOfEightPngImagesAndManifest) {
  HMODULE module = LoadLibraryExW(updater_path().c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);

  HRSRC group =
      FindResourceW(module, MAKEINTRESOURCEW(1), reinterpret_cast<LPCWSTR>(RT_GROUP_ICON));
  ASSERT_NE(group, nullptr);
  const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
  ASSERT_NE(dir, nullptr);
  const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
  EXPECT_EQ(count, 8);
  std::vector<int> sizes;
  for (WORD i = 0; i < count; ++i) {
    const BYTE* entry = dir + 6 + 14 * i;  // GRPICONDIRENTRY
    sizes.push_back(entry[0] == 0 ? 256 : entry[0]);
    EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 32);  // bits per pixel
    const WORD id = *reinterpret_cast<const WORD*>(entry + 12);
    HRSRC image = FindResourceW(module, MAKEINTRESOURCEW(id), reinterpret_cast<LPCWSTR>(RT_ICON));
    ASSERT_NE(image, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, image)));
    EXPECT_EQ(std::string(bytes, 4), "\x89PNG");
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64, 96, 128, 256}));

  HRSRC manifest =
      FindResourceW(module, MAKEINTRESOURCEW(1), reinterpret_cast<LPCWSTR>(RT_MANIFEST));
  ASSERT_NE(manifest, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(module, manifest))),
                         SizeofResource(module, manifest));
  EXPECT_NE(text.find("<description>PARLEYNEST PC</description>"), std::string::npos);
  EXPECT_NE(text.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
            std::string::npos);
  EXPECT_NE(text.find("publicKeyToken=\"6595b64144ccf1df\""), std::string::npos);
  EXPECT_NE(text.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"), std::string::npos);
  EXPECT_EQ(text.find("requestedExecutionLevel"), std::string::npos);
  EXPECT_EQ(text.find("dpiAware"), std::string::npos);
  FreeLibrary(module);
}

// Every resource, as "type/name" (numbers in decimal), with the languages
// it is stored under.
using ResourceLanguages = std::map<std::wstring, std::vector<WORD>>;

std::wstring resource_id(LPCWSTR id) {
  return IS_INTRESOURCE(id) ? std::to_wstring(reinterpret_cast<ULONG_PTR>(id)) : std::wstring(id);
}

BOOL CALLBACK add_language(HMODULE, LPCWSTR type, LPCWSTR name, WORD language, LONG_PTR out) {
  (*reinterpret_cast<ResourceLanguages*>(out))[resource_id(type) + L"/" + resource_id(name)]
      .push_back(language);
  return TRUE;
}

BOOL CALLBACK add_name(HMODULE module, LPCWSTR type, LPWSTR name, LONG_PTR out) {
  EnumResourceLanguagesW(module, type, name, add_language, out);
  return TRUE;
}

BOOL CALLBACK add_type(HMODULE module, LPWSTR type, LONG_PTR out) {
  EnumResourceNamesW(module, type, add_name, out);
  return TRUE;
}

TEST(UpdaterResources, EveryResourceIsStoredAsKorean) {
  HMODULE module = LoadLibraryExW(updater_path().c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  ResourceLanguages found;
  EnumResourceTypesW(module, add_type, reinterpret_cast<LONG_PTR>(&found));
  FreeLibrary(module);

  // Manifest, version information and the icon group (the images are 3/1 to 3/8).
  for (const wchar_t* expected : {L"24/1", L"16/1", L"14/1", L"3/1", L"3/8"})
    EXPECT_TRUE(found.contains(expected)) << "missing resource " << test_support::utf8(expected);
  for (const auto& [resource, languages] : found)
    EXPECT_EQ(languages, std::vector<WORD>{0x0412}) << test_support::utf8(resource);
}

TEST(UpdaterImports, OnlyDllsThatTheSystemTakesFromSystem32) {
  // The system's known DLLs, and comctl32, which the manifest binds. Any
  // other DLL is loaded at run time from System32 only; linked, it would be
  // looked for beside the program first.
  const std::set<std::string> allowed = {
      "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",   "imm32.dll",   "kernel32.dll",
      "msvcrt.dll",   "ole32.dll",    "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll"};
  HMODULE module = LoadLibraryExW(updater_path().c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(module, nullptr);
  // Mapped as an image: addresses are offsets from its base.
  const auto* base =
      reinterpret_cast<const BYTE*>(reinterpret_cast<ULONG_PTR>(module) & ~ULONG_PTR{3});
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  ASSERT_NE(imports.VirtualAddress, 0u);
  int count = 0;
  for (auto* entry =
           reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
       entry->Name != 0; ++entry, ++count) {
    std::string name = reinterpret_cast<const char*>(base + entry->Name);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(allowed.contains(name)) << name;
  }
  EXPECT_GT(count, 0);
  FreeLibrary(module);
}

}  // namespace
