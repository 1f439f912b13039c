// The Windows OS services behind TSysUtils, on the real system (under Wine
// in the suite's own prefix; temporary folders only).
#include "platform/win32/os_services_win32.h"

#include "platform/win32/toolkit_win32.h"
#include "platform/win32/windows_api.h"
#include "temp_dir.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace tessera {
namespace {

namespace fs = std::filesystem;
using testing::ReadBytes;
using testing::TTempDir;
using testing::WriteBytes;

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

TEST(Win32OsServicesExtras, ExecAndWaitReturnsTheExitCodeAndZeroWhenNothingStarted) {
  Win32OsServices os;
  EXPECT_EQ(os.ExecAndWait("cmd.exe /C exit 7"), 7u);
  EXPECT_EQ(os.ExecAndWait("C:\\no\\such\\program.exe --flag"), 0u);
}

TEST(Win32OsServicesExtras, ExecCmdWaitsWhenAsked) {
  TTempDir dir;
  Win32OsServices os;
  const std::string file = dir.File("out.txt");
  ASSERT_TRUE(os.ExecCmd("cmd.exe /C echo done> \"" + file + "\"", true));
  EXPECT_TRUE(fs::exists(fs::path(dir.Path() / "out.txt")));
  EXPECT_FALSE(os.ExecCmd("C:\\no\\such\\program.exe", true));
}

TEST(Win32OsServicesExtras, ShellCopiesFilesAndTrees) {
  TTempDir dir;
  Win32OsServices os;
  WriteBytes(dir.File("a.txt"), {'a', 'b', 'c'});
  fs::create_directories(dir.Path() / "into");
  EXPECT_TRUE(os.CopyFileTo(dir.File("a.txt"), dir.File("b.txt")));
  EXPECT_EQ(ReadBytes(dir.File("b.txt")).size(), 3u);
  EXPECT_TRUE(os.CopyFileTo(dir.File("a.txt"), dir.File("into")));
  EXPECT_EQ(ReadBytes(dir.File("into\\a.txt")).size(), 3u);

  fs::create_directories(dir.Path() / "src" / "sub");
  WriteBytes(dir.File("src\\sub\\f.bin"), {1, 2});
  EXPECT_TRUE(os.CopyDirectoryTo(dir.File("src"), dir.File("copy")));
  EXPECT_EQ(ReadBytes(dir.File("copy\\sub\\f.bin")).size(), 2u);
  EXPECT_TRUE(os.CopyDirectoryTo(dir.File("src"), dir.File("into")));
  EXPECT_EQ(ReadBytes(dir.File("into\\src\\sub\\f.bin")).size(), 2u);
}

TEST(Win32OsServicesExtras, GetLnkFilePathReadsAShellLink) {
  TTempDir dir;
  const std::string target = dir.File("target.txt");
  WriteBytes(target, {1});
  const std::string lnk = dir.File("shortcut.lnk");
  {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    IShellLinkW* link = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IShellLinkW, reinterpret_cast<void**>(&link))));
    link->SetPath(win32::Widen(target).c_str());
    IPersistFile* file = nullptr;
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    const HRESULT saved = file->Save(win32::Widen(lnk).c_str(), TRUE);
    file->Release();
    link->Release();
    CoUninitialize();
    ASSERT_TRUE(SUCCEEDED(saved));
  }
  Win32OsServices os;
  EXPECT_EQ(os.GetLnkFilePath(lnk), target);
  EXPECT_EQ(os.GetLnkFilePath(target), "");
  EXPECT_EQ(os.GetLnkFilePath(dir.File("missing.lnk")), "");
}

TEST(Win32OsServicesExtras, ExtractFileIconDrawsAProgramsFirstIcon) {
  Win32OsServices os;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
  // Every prefix has the system's notepad, which carries icons.
  ASSERT_TRUE(os.ExtractFileIcon("C:\\windows\\system32\\notepad.exe", width, height, pixels));
  EXPECT_GT(width, 0);
  EXPECT_GT(height, 0);
  EXPECT_EQ(pixels.size(), static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  EXPECT_TRUE(std::any_of(pixels.begin(), pixels.end(), [](std::uint8_t b) { return b != 0; }));

  TTempDir dir;
  const std::string text = dir.File("plain.txt");
  WriteBytes(text, {'x'});
  EXPECT_FALSE(os.ExtractFileIcon(text, width, height, pixels));
  EXPECT_FALSE(os.ExtractFileIcon(dir.File("missing.exe"), width, height, pixels));
}

TEST(Win32OsServicesExtras, NamesFoldersAndPathNames) {
  Win32OsServices os;
  EXPECT_FALSE(os.GetComputerNetName().empty());
  EXPECT_FALSE(os.GetSignedInUserName().empty());
  const std::string programFiles = os.GetProgramFilesDirPath();
  EXPECT_GT(programFiles.size(), 3u);
  EXPECT_TRUE(EndsWith(programFiles, "\\"));
  EXPECT_TRUE(EndsWith(os.GetSystemAppsDirPath(), "\\SystemApps\\"));
  EXPECT_FALSE(os.IsPathNameRejected("C:\\no\\such\\place\\file.txt"));
  EXPECT_TRUE(os.IsPathNameRejected("C:\\bad|name.txt"));
}

TEST(Win32OsServicesExtras, TextWidthGrowsWithTheTextAndTheFont) {
  auto widgets = CreateWin32Toolkit();
  const int narrow = widgets->TextWidth("Tahoma", 16, "iii");
  const int wide = widgets->TextWidth("Tahoma", 16, "WWW");
  EXPECT_GT(narrow, 0);
  EXPECT_GT(wide, narrow);
  EXPECT_GT(widgets->TextWidth("Tahoma", 32, "WWW"), wide);
  EXPECT_EQ(widgets->TextWidth("Tahoma", 16, ""), 0);
}

} // namespace
} // namespace tessera
