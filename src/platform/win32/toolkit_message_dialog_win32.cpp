#include "platform/win32/toolkit_message_dialog_win32.h"

#include "platform/win32/callback_guard.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace tessera::win32 {

namespace {

// The message box gives no way to name its buttons. A hook on this thread
// sees the box once it has set itself up (its WM_INITDIALOG has returned,
// so only the buttons it needs are left, laid out) and before it is shown,
// renames the buttons and removes itself. One box at a time per thread;
// a box opened from inside another's hook would find the hook gone.
struct TRecaption {
  HHOOK Hook = nullptr;
  std::vector<std::wstring> Captions;
};

thread_local TRecaption* tCurrent = nullptr;

bool HasClass(HWND hwnd, std::wstring_view className) {
  wchar_t name[16] = {};
  return GetClassNameW(hwnd, name, 16) > 0 && className == name;
}

// The box's push buttons from left to right, the order it lays them out in
// (affirmative first). Their control IDs are no guide: a box with only an
// OK button may give it the ID of Cancel so that Escape works.
std::vector<HWND> ButtonsLeftToRight(HWND dialog) {
  std::vector<std::pair<LONG, HWND>> buttons;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
    const LONG_PTR kind = style & BS_TYPEMASK;
    if (HasClass(child, L"Button") && (style & WS_VISIBLE) != 0 &&
        (kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON)) {
      RECT rect{};
      GetWindowRect(child, &rect);
      buttons.emplace_back(rect.left, child);
    }
  }
  std::sort(buttons.begin(), buttons.end());
  std::vector<HWND> ordered;
  for (const auto& button : buttons) {
    ordered.push_back(button.second);
  }
  return ordered;
}

LRESULT CALLBACK RecaptionHook(int code, WPARAM wParam, LPARAM lParam) noexcept {
  TRecaption* current = tCurrent;
  if (current == nullptr) {
    return CallNextHookEx(nullptr, code, wParam, lParam);
  }
  HHOOK hook = current->Hook;
  const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
  if (code == HC_ACTION && call->message == WM_INITDIALOG && HasClass(call->hwnd, L"#32770")) {
    GuardCallback<int>("message dialog", 0, [&] {
      const std::vector<HWND> buttons = ButtonsLeftToRight(call->hwnd);
      for (std::size_t i = 0; i < buttons.size() && i < current->Captions.size(); ++i) {
        SetWindowTextW(buttons[i], current->Captions[i].c_str());
      }
      return 0;
    });
    UnhookWindowsHookEx(hook);
    current->Hook = nullptr;
    tCurrent = nullptr;
  }
  return CallNextHookEx(hook, code, wParam, lParam);
}

} // namespace

TModalResult ShowMessageDialog(const TMessageDialogRequest& request, HWND owner) {
  const bool withCancel = request.Buttons == TMessageDialogButtons::OKCancel;
  UINT flags = (withCancel ? MB_OKCANCEL : MB_OK) | MB_DEFBUTTON1 | MB_SETFOREGROUND;
  if (request.Kind == TMessageDialogKind::Error)
    flags |= MB_ICONERROR;
  else if (request.Kind == TMessageDialogKind::Confirmation)
    flags |= MB_ICONQUESTION;
  // Without an owner the box must not hide behind the application's own
  // windows, of which none is active yet at start-up.
  if (owner == nullptr) {
    flags |= MB_TASKMODAL;
  }

  TRecaption recaption;
  for (const std::string& caption : request.Captions) {
    recaption.Captions.push_back(Widen(caption));
  }
  TRecaption* outer = tCurrent;
  if (!recaption.Captions.empty()) {
    recaption.Hook =
        SetWindowsHookExW(WH_CALLWNDPROCRET, RecaptionHook, nullptr, GetCurrentThreadId());
    if (recaption.Hook != nullptr) {
      tCurrent = &recaption;
    }
  }
  const int answer =
      MessageBoxW(owner, Widen(request.Text).c_str(), Widen(request.WindowCaption).c_str(), flags);
  // The box may fail before it is ever activated.
  if (recaption.Hook != nullptr) {
    UnhookWindowsHookEx(recaption.Hook);
  }
  tCurrent = outer;
  return answer == IDOK ? TModalResult::OK : TModalResult::Cancel;
}

} // namespace tessera::win32
