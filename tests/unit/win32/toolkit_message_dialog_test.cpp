// The message dialog with its buttons recaptioned. A second thread finds the
// box on the UI thread, reads its texts and answers it with a key, as the
// user would; posting the keys avoids depending on X focus, which nothing
// gives to new windows without a window manager.
#include "platform/win32/toolkit_win32.h"
#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace tessera {
namespace {

struct TSeenDialog {
  std::wstring Caption;
  // The push buttons' texts from left to right.
  std::vector<std::wstring> Buttons;
};

HWND FindDialog(DWORD thread) {
  HWND found = nullptr;
  EnumThreadWindows(
      thread,
      [](HWND hwnd, LPARAM result) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(hwnd, name, 16);
        if (std::wstring_view(name) == L"#32770" && IsWindowVisible(hwnd)) {
          *reinterpret_cast<HWND*>(result) = hwnd;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring Text(HWND hwnd) {
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  return text;
}

enum class TAnswer { Enter, Escape, Close };

// Shows the dialog on this thread while a helper reads it and answers.
TModalResult Answer(const TMessageDialogRequest& request, TAnswer answer, TSeenDialog& seen) {
  auto toolkit = CreateWin32Toolkit();
  const DWORD uiThread = GetCurrentThreadId();
  std::thread helper([&] {
    HWND dialog = nullptr;
    for (int i = 0; i < 500 && dialog == nullptr; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      dialog = FindDialog(uiThread);
    }
    if (dialog == nullptr) {
      ADD_FAILURE() << "no message dialog appeared";
      return;
    }
    seen.Caption = Text(dialog);
    std::vector<std::pair<LONG, std::wstring>> buttons;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
      wchar_t name[16] = {};
      GetClassNameW(child, name, 16);
      const LONG_PTR kind = GetWindowLongPtrW(child, GWL_STYLE) & BS_TYPEMASK;
      if (lstrcmpiW(name, L"Button") == 0 && IsWindowVisible(child) &&
          (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        buttons.emplace_back(rect.left, Text(child));
      }
    }
    std::sort(buttons.begin(), buttons.end());
    for (auto& button : buttons) {
      seen.Buttons.push_back(button.second);
    }
    // The key goes where the focus is, as typing would.
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    HWND target = GetGUIThreadInfo(uiThread, &info) && info.hwndFocus ? info.hwndFocus : dialog;
    switch (answer) {
    case TAnswer::Enter:
      PostMessageW(target, WM_KEYDOWN, VK_RETURN, 1);
      break;
    case TAnswer::Escape:
      PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, 1);
      break;
    case TAnswer::Close:
      PostMessageW(dialog, WM_CLOSE, 0, 0);
      break;
    }
  });
  const TModalResult result = toolkit->MessageDialog(request);
  helper.join();
  return result;
}

TMessageDialogRequest Confirmation() {
  TMessageDialogRequest request;
  request.Text = "¿Quiere instalarlo ahora?";
  request.Kind = TMessageDialogKind::Confirmation;
  request.Buttons = TMessageDialogButtons::OKCancel;
  request.Captions = {"Aceptar", "Cancelar"};
  request.WindowCaption = "Confirmar";
  return request;
}

TEST(ToolkitMessageDialog, ConfirmationShowsTheCaptionsAndEnterAccepts) {
  TSeenDialog seen;
  EXPECT_EQ(Answer(Confirmation(), TAnswer::Enter, seen), TModalResult::OK);
  EXPECT_EQ(seen.Caption, L"Confirmar");
  EXPECT_EQ(seen.Buttons, (std::vector<std::wstring>{L"Aceptar", L"Cancelar"}));
}

TEST(ToolkitMessageDialog, EscapeAndClosingCancel) {
  for (TAnswer answer : {TAnswer::Escape, TAnswer::Close}) {
    SCOPED_TRACE(static_cast<int>(answer));
    TSeenDialog seen;
    EXPECT_EQ(Answer(Confirmation(), answer, seen), TModalResult::Cancel);
  }
}

TEST(ToolkitMessageDialog, ButtonsBeyondTheCaptionListKeepTheirOwnText) {
  TMessageDialogRequest request = Confirmation();
  request.Captions = {"Akzeptieren"};
  TSeenDialog seen;
  EXPECT_EQ(Answer(request, TAnswer::Escape, seen), TModalResult::Cancel);
  ASSERT_EQ(seen.Buttons.size(), 2u);
  EXPECT_EQ(seen.Buttons[0], L"Akzeptieren");
  EXPECT_FALSE(seen.Buttons[1].empty());
  EXPECT_NE(seen.Buttons[1], L"Akzeptieren");
}

TEST(ToolkitMessageDialog, ErrorWithOneButtonAndARenamedOne) {
  TMessageDialogRequest request;
  request.Text = "这不是有效的Windows应用程序。";
  request.Captions = {"接受", "unused"};
  request.WindowCaption = "错误";
  TSeenDialog seen;
  EXPECT_EQ(Answer(request, TAnswer::Enter, seen), TModalResult::OK);
  EXPECT_EQ(seen.Caption, L"错误");
  EXPECT_EQ(seen.Buttons, std::vector<std::wstring>{L"接受"});
}

TEST(ToolkitMessageDialog, TheHookIsGoneAfterwards) {
  // A later box of the system's own keeps its captions.
  TSeenDialog first;
  Answer(Confirmation(), TAnswer::Enter, first);
  TMessageDialogRequest plain = Confirmation();
  plain.Captions.clear();
  TSeenDialog second;
  Answer(plain, TAnswer::Enter, second);
  ASSERT_EQ(second.Buttons.size(), 2u);
  EXPECT_NE(second.Buttons[0], L"Aceptar");
  EXPECT_NE(second.Buttons[1], L"Cancelar");
}

} // namespace
} // namespace tessera
