// The Win32 notification centre: balloons on hidden notification-area
// icons, and the click the shell reports for one. Wine shows balloons but
// never reports anything about them, so the clicks are posted here as the
// shell posts them.
#include "platform/win32/toolkit_notification_center_win32.h"
#include "platform/win32/toolkit_win32.h"
#include "toolkit_test_support.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessera {
namespace {

using testing_win32::PumpMessages;
using win32::Win32NotificationCenter;

Win32NotificationCenter& AsWin32(ToolkitNotificationCenter& center) {
  return static_cast<Win32NotificationCenter&>(center);
}

// Whether the shell holds the icon: only an icon it holds can be modified.
bool ShellHasIcon(HWND window, UINT iconId) {
  NOTIFYICONDATAW data{};
  data.cbSize = sizeof(data);
  data.hWnd = window;
  data.uID = iconId;
  data.uFlags = NIF_TIP;
  return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

// The shell's callback for `event` on an icon, in the version 4 packing.
void PostCallback(HWND window, UINT iconId, UINT event) {
  PostMessageW(window, Win32NotificationCenter::kCallbackMessage, MAKEWPARAM(10, 10),
               MAKELPARAM(event, iconId));
}

class ToolkitNotificationCenterTest : public testing::Test {
protected:
  // Presents and answers what the shell said, which it does at once.
  TNotificationOutcome Present(const std::string& name, const std::string& heading,
                               const std::string& text) {
    int answers = 0;
    TNotificationOutcome outcome = TNotificationOutcome::Refused;
    FCenter->Present(name, heading, text, [&](TNotificationOutcome given, const std::string&) {
      ++answers;
      outcome = given;
    });
    EXPECT_EQ(answers, 1) << "the shell answers before Present returns";
    return outcome;
  }

  std::unique_ptr<Toolkit> FToolkit = CreateWin32Toolkit();
  std::unique_ptr<ToolkitNotificationCenter> FCenter = FToolkit->CreateNotificationCenter();
  std::vector<std::string> FClicks;
};

TEST_F(ToolkitNotificationCenterTest, ABalloonClickReportsTheNameOfThatBalloon) {
  FCenter->OnClick = [this](const std::string& name) { FClicks.push_back(name); };
  HWND window = AsWin32(*FCenter).MessageWindow();
  ASSERT_EQ(Present("first", "Export done", "Saved to report.pdf"),
            TNotificationOutcome::Presented);
  const UINT firstIcon = AsWin32(*FCenter).LastIconId();
  ASSERT_EQ(Present(R"(second "one")", "", ""), TNotificationOutcome::Presented);
  const UINT secondIcon = AsWin32(*FCenter).LastIconId();
  EXPECT_NE(firstIcon, secondIcon);
  EXPECT_TRUE(ShellHasIcon(window, firstIcon));
  EXPECT_TRUE(ShellHasIcon(window, secondIcon));

  // Only a click on the balloon counts: not its showing, hiding or timing
  // out, nor the (hidden) icon's own messages.
  for (UINT event : {static_cast<UINT>(NIN_BALLOONSHOW), static_cast<UINT>(NIN_BALLOONTIMEOUT),
                     static_cast<UINT>(NIN_BALLOONHIDE), static_cast<UINT>(WM_LBUTTONUP),
                     static_cast<UINT>(NIN_SELECT)}) {
    PostCallback(window, firstIcon, event);
  }
  PostCallback(window, secondIcon, NIN_BALLOONUSERCLICK);
  PostCallback(window, firstIcon, NIN_BALLOONUSERCLICK);
  // No icon of ours: nothing.
  PostCallback(window, 0, NIN_BALLOONUSERCLICK);
  PostCallback(window, Win32NotificationCenter::kIconCount + 1, NIN_BALLOONUSERCLICK);
  PumpMessages();
  EXPECT_EQ(FClicks, (std::vector<std::string>{R"(second "one")", "first"}));

  // A handler that throws does not take the window procedure down.
  FCenter->OnClick = [](const std::string&) { throw std::runtime_error("page gone"); };
  PostCallback(window, firstIcon, NIN_BALLOONUSERCLICK);
  PumpMessages();

  FCenter.reset();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(ShellHasIcon(window, firstIcon));
}

TEST_F(ToolkitNotificationCenterTest, IconsAreReusedInTurnAndCarryTheLatestName) {
  FCenter->OnClick = [this](const std::string& name) { FClicks.push_back(name); };
  std::vector<UINT> icons;
  std::vector<std::string> names;
  for (UINT i = 0; i <= Win32NotificationCenter::kIconCount; ++i) {
    names.push_back(std::string(1, static_cast<char>('a' + i)));
    EXPECT_EQ(Present(names.back(), "", "text"), TNotificationOutcome::Presented);
    icons.push_back(AsWin32(*FCenter).LastIconId());
  }
  EXPECT_EQ(icons.front(), icons.back());
  PostCallback(AsWin32(*FCenter).MessageWindow(), icons.front(), NIN_BALLOONUSERCLICK);
  PumpMessages();
  EXPECT_EQ(FClicks, std::vector<std::string>{names.back()});
}

} // namespace
} // namespace tessera
