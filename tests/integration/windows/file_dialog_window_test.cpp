// The Win32 file dialogs as the user meets them under Wine: xdotool (a Unix
// program, which Wine starts like any other) focuses the dialog, types a
// path and presses Enter, or presses Escape. Without a window manager
// nothing gets the X focus by itself, hence the explicit focus.
#include "platform/win32/com_apartment.h"
#include "platform/win32/toolkit_win32.h"
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace tessera {
namespace {

// One argument of a command line, quoted as the command-line parser splits
// it: backslashes are literal except before a double quote.
std::wstring QuoteArgument(const std::wstring& argument) {
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') {
      quoted.append(backslashes * 2 + 1, L'\\');
    } else {
      quoted.append(backslashes, L'\\');
    }
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  quoted += L'"';
  return quoted;
}

// The user at the keyboard: focuses the window titled `title`, clears the
// file name box and takes each step in turn: "type:<text>", "key:<keys>" or
// "pause:<seconds>". It runs in the background while the dialog runs; Wine
// gives no handle to wait on for a Unix process.
void User(const std::wstring& title, std::initializer_list<std::wstring> steps) {
  static const wchar_t* const script =
      LR"(w=$(xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1) || exit 1
xdotool windowfocus --sync "$w" || exit 1
sleep 0.3
shift
for step; do
  case $step in
  type:*) xdotool type --delay 60 "${step#type:}" ;;
  key:*) xdotool key --delay 60 ${step#key:} ;;
  pause:*) sleep "${step#pause:}" ;;
  esac
done)";
  std::wstring command =
      L"Z:\\bin\\sh -c " + QuoteArgument(script) + L" sh " + QuoteArgument(title);
  for (const std::wstring& step : steps) {
    command += L" " + QuoteArgument(step);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process))
      << GetLastError();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

// Clears the dialog's file name box: Wine's box takes no ctrl+a.
const std::wstring kClearName = L"key:End shift+Home BackSpace";

class FileDialogWindowTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(FApartment.Initialized());
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    FFolder = std::wstring(temp) + L"tessera-dialogs-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(FFolder.c_str(), nullptr);
  }
  void TearDown() override {
    for (const std::wstring& file : FFiles) {
      DeleteFileW(file.c_str());
    }
    RemoveDirectoryW((FFolder + L"\\sub folder").c_str());
    RemoveDirectoryW(FFolder.c_str());
  }

  std::wstring MakeFile(const std::wstring& name) {
    const std::wstring path = FFolder + L"\\" + name;
    std::ofstream(std::filesystem::path(path)) << "x";
    FFiles.push_back(path);
    return path;
  }

  TComApartment FApartment;
  std::unique_ptr<Toolkit> FToolkit = CreateWin32Toolkit();
  std::wstring FFolder;
  std::vector<std::wstring> FFiles;
};

TEST_F(FileDialogWindowTest, OpenTakesATypedPathAndEscapeCancels) {
  const std::wstring existing = MakeFile(L"pick me.txt");
  auto dialog = FToolkit->CreateFileDialog(TFileDialogKind::Open);
  dialog->SetTitle("Open a file");
  dialog->AddFileType("Text files", "*.txt");
  dialog->AddFileType("All files", "*.*");

  User(L"Open a file", {kClearName, L"type:" + existing, L"pause:0.5", L"key:Return"});
  ASSERT_TRUE(dialog->Execute(0));
  EXPECT_EQ(dialog->FileName(), win32::Narrow(existing));

  User(L"Open a file", {L"key:Escape"});
  EXPECT_FALSE(dialog->Execute(0));
  EXPECT_EQ(dialog->FileName(), win32::Narrow(existing)) << "a cancel keeps the last choice";
}

TEST_F(FileDialogWindowTest, SaveTakesANewNameAsTyped) {
  // No file types: Wine, unlike Windows, puts the filter's extension on a
  // name typed without one even when no default extension is set.
  auto dialog = FToolkit->CreateFileDialog(TFileDialogKind::Save);
  dialog->SetTitle("Save a file");
  dialog->SetFileName("draft");
  dialog->SetOverwritePrompt(true);
  const std::wstring fresh = FFolder + L"\\new file";

  User(L"Save a file", {kClearName, L"type:" + fresh, L"pause:0.5", L"key:Return"});
  ASSERT_TRUE(dialog->Execute(0));
  EXPECT_EQ(dialog->FileName(), win32::Narrow(fresh));

  User(L"Save a file", {L"key:Escape"});
  EXPECT_FALSE(dialog->Execute(0));
}

TEST_F(FileDialogWindowTest, TheOverwritePromptFollowsEachRunsSetting) {
  const std::wstring existing = MakeFile(L"taken.txt");
  auto dialog = FToolkit->CreateFileDialog(TFileDialogKind::Save);
  dialog->SetTitle("Save over");
  // Enter on an existing file, then Escape twice: with the prompt, the
  // first Escape answers the prompt and the second cancels the dialog;
  // without it, Enter alone chooses the file.
  const auto user = [&] {
    User(L"Save over", {kClearName, L"type:" + existing, L"pause:0.5", L"key:Return", L"pause:1.5",
                        L"key:Escape", L"pause:1", L"key:Escape"});
  };
  dialog->SetOverwritePrompt(true);
  user();
  EXPECT_FALSE(dialog->Execute(0));
  dialog->SetOverwritePrompt(false);
  user();
  ASSERT_TRUE(dialog->Execute(0));
  EXPECT_EQ(dialog->FileName(), win32::Narrow(existing));
  // Let the last keys go before the next test's dialog.
  Sleep(2500);
}

TEST_F(FileDialogWindowTest, FolderTakesAnExistingFolder) {
  const std::wstring sub = FFolder + L"\\sub folder";
  ASSERT_TRUE(CreateDirectoryW(sub.c_str(), nullptr));
  auto dialog = FToolkit->CreateFileDialog(TFileDialogKind::Folder);
  dialog->SetTitle("Pick a folder");

  User(L"Pick a folder", {kClearName, L"type:" + sub, L"pause:0.5", L"key:Return"});
  ASSERT_TRUE(dialog->Execute(0));
  EXPECT_EQ(dialog->FileName(), win32::Narrow(sub));
}

} // namespace
} // namespace tessera
