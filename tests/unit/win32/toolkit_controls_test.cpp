// The Win32 toolkit's controls: marquee bar, activity indicator, password
// box, and the font a window gives its controls.
#include "platform/win32/toolkit_win32.h"
#include "toolkit_test_support.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

namespace tessera {
namespace {

using testing_win32::Hwnd;
using testing_win32::PumpMessages;
using testing_win32::RunLater;
using testing_win32::TRecordingEvents;

// The direct children of `parent` of one window class.
std::vector<HWND> ChildrenOfClass(HWND parent, const wchar_t* className) {
  std::vector<HWND> found;
  for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (lstrcmpiW(name, className) == 0) {
      found.push_back(child);
    }
  }
  return found;
}

// A child's rectangle in its parent's client coordinates.
TBoundsRect RectInParent(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right, rect.bottom};
}

class ToolkitControlsTest : public testing::Test {
protected:
  void SetUp() override {
    FOwner = FToolkit->CreateForm(FEvents, TWindowKind::Normal);
    FOwner->SetBorderStyle(TBorderStyle::None);
    FOwner->SetBounds(0, 0, 400, 300);
  }

  std::unique_ptr<Toolkit> FToolkit = CreateWin32Toolkit();
  TRecordingEvents FEvents;
  std::unique_ptr<ToolkitWindow> FOwner;
};

TEST_F(ToolkitControlsTest, MarqueeBarRunsAlongTheBottomAndLeavesTheRestToAnEmbeddedWindow) {
  TRecordingEvents pageEvents;
  auto page = FToolkit->CreateForm(pageEvents, TWindowKind::Normal);
  page->SetBorderStyle(TBorderStyle::None);
  page->SetParent(FOwner.get());
  auto bar = FToolkit->CreateMarqueeProgressBar(*FOwner, 4);

  const std::vector<HWND> bars = ChildrenOfClass(Hwnd(*FOwner), PROGRESS_CLASSW);
  ASSERT_EQ(bars.size(), 1u);
  EXPECT_NE(GetWindowLongPtrW(bars[0], GWL_STYLE) & PBS_MARQUEE, 0);
  EXPECT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Height(), 4);
  EXPECT_EQ(RectInParent(bars[0]), (TBoundsRect{0, 296, 400, 300}));
  EXPECT_EQ(page->ClientRect(), (TBoundsRect{0, 0, 400, 296}));

  FOwner->SetBounds(0, 0, 500, 200);
  EXPECT_EQ(RectInParent(bars[0]), (TBoundsRect{0, 196, 500, 200}));
  EXPECT_EQ(page->ClientRect(), (TBoundsRect{0, 0, 500, 196}));

  bar->SetVisible(false);
  EXPECT_FALSE(bar->Visible());
  EXPECT_EQ(page->ClientRect(), (TBoundsRect{0, 0, 500, 200}));

  bar.reset();
  EXPECT_TRUE(ChildrenOfClass(Hwnd(*FOwner), PROGRESS_CLASSW).empty());
}

TEST_F(ToolkitControlsTest, ActivityIndicatorTakesTheSquareOfItsSize) {
  struct Case {
    TActivityIndicatorSize Size;
    int Side;
  };
  const Case cases[] = {{TActivityIndicatorSize::Small, 24},
                        {TActivityIndicatorSize::Medium, 32},
                        {TActivityIndicatorSize::Large, 48},
                        {TActivityIndicatorSize::XLarge, 64}};
  auto indicator = FToolkit->CreateActivityIndicator(*FOwner, 9, 8);
  const std::vector<HWND> windows = ChildrenOfClass(Hwnd(*FOwner), L"TesseraActivityIndicator");
  ASSERT_EQ(windows.size(), 1u);
  for (const Case& c : cases) {
    indicator->SetIndicatorSize(c.Size);
    EXPECT_EQ(RectInParent(windows[0]), (TBoundsRect{9, 8, 9 + c.Side, 8 + c.Side}));
  }
}

TEST_F(ToolkitControlsTest, ActivityIndicatorDrawsOnlyWhileAnimating) {
  FOwner->SetColor(RGB(0x20, 0x60, 0xC0));
  auto indicator = FToolkit->CreateActivityIndicator(*FOwner, 9, 8);
  indicator->SetIndicatorSize(TActivityIndicatorSize::XLarge);
  indicator->SetColor(TActivityIndicatorColor::White);
  HWND hwnd = ChildrenOfClass(Hwnd(*FOwner), L"TesseraActivityIndicator").at(0);

  auto whitePixels = [&] {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 64, 64);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    int count = 0;
    bool backgroundIsOwners = GetPixel(dc, 32, 32) == RGB(0x20, 0x60, 0xC0);
    for (int y = 0; y < 64; ++y) {
      for (int x = 0; x < 64; ++x) {
        const COLORREF pixel = GetPixel(dc, x, y);
        count += GetRValue(pixel) > 0xC0 && GetGValue(pixel) > 0xC0;
      }
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(backgroundIsOwners) << "the owner's colour shows round the shapes";
    return count;
  };
  EXPECT_EQ(whitePixels(), 0);
  indicator->SetAnimate(true);
  EXPECT_GT(whitePixels(), 20);
  indicator->SetAnimate(false);
  EXPECT_EQ(whitePixels(), 0);
}

TEST_F(ToolkitControlsTest, PasswordBoxHidesItsTextAndKeepsItClearOfTheKeyButton) {
  auto edit = FToolkit->CreatePasswordEdit(*FOwner, TBoundsRect{24, 24, 281, 45}, '*', "key");
  const std::vector<HWND> edits = ChildrenOfClass(Hwnd(*FOwner), L"Edit");
  ASSERT_EQ(edits.size(), 1u);
  HWND box = edits[0];
  EXPECT_EQ(RectInParent(box), (TBoundsRect{24, 24, 281, 45}));
  EXPECT_NE(GetWindowLongPtrW(box, GWL_STYLE) & ES_PASSWORD, 0);
  EXPECT_EQ(SendMessageW(box, EM_GETPASSWORDCHAR, 0, 0), L'*');

  edit->SetText("pässwörd 中");
  EXPECT_EQ(edit->Text(), "pässwörd 中");

  // The button sits at the left inside the box, the text starts after it.
  HWND button = GetWindow(box, GW_CHILD);
  ASSERT_NE(button, nullptr);
  const TBoundsRect buttonRect = RectInParent(button);
  EXPECT_EQ(buttonRect.Left, 0);
  EXPECT_GE(buttonRect.Right, 16);
  const auto margins = static_cast<DWORD>(SendMessageW(box, EM_GETMARGINS, 0, 0));
  EXPECT_GT(static_cast<int>(LOWORD(margins)), static_cast<int>(buttonRect.Right));

  // A new font resets an edit's margins; the box puts its own back.
  FOwner->SetFont("Tahoma", 11);
  const auto marginsAfter = static_cast<DWORD>(SendMessageW(box, EM_GETMARGINS, 0, 0));
  EXPECT_EQ(LOWORD(marginsAfter), LOWORD(margins));

  auto plain = FToolkit->CreatePasswordEdit(*FOwner, TBoundsRect{24, 50, 281, 71}, '#', "none");
  HWND plainBox = ChildrenOfClass(Hwnd(*FOwner), L"Edit").at(1);
  EXPECT_EQ(GetWindow(plainBox, GW_CHILD), nullptr);
  EXPECT_EQ(SendMessageW(plainBox, EM_GETPASSWORDCHAR, 0, 0), L'#');
}

TEST_F(ToolkitControlsTest, WindowFontReachesControlsMadeBeforeAndAfter) {
  auto before = FToolkit->CreatePasswordEdit(*FOwner, TBoundsRect{0, 0, 100, 21}, '*', "key");
  FOwner->SetFont("Tahoma", 11);
  auto after = FToolkit->CreatePasswordEdit(*FOwner, TBoundsRect{0, 30, 100, 51}, '*', "key");
  for (HWND box : ChildrenOfClass(Hwnd(*FOwner), L"Edit")) {
    auto font = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTW logFont{};
    GetObjectW(font, sizeof(logFont), &logFont);
    EXPECT_EQ(logFont.lfHeight, -11);
    EXPECT_STREQ(logFont.lfFaceName, L"Tahoma");
  }
}

TEST_F(ToolkitControlsTest, KeyUpInThePasswordBoxSeesTheTextTheKeyLeft) {
  auto edit = FToolkit->CreatePasswordEdit(*FOwner, TBoundsRect{24, 24, 281, 45}, '*', "key");
  HWND box = ChildrenOfClass(Hwnd(*FOwner), L"Edit").at(0);
  std::vector<std::pair<std::uint32_t, std::string>> seen;
  edit->OnKeyUp = [&](std::uint32_t key) { seen.emplace_back(key, edit->Text()); };
  for (wchar_t c : std::wstring(L"aB")) {
    const auto key = static_cast<WPARAM>(VkKeyScanW(c) & 0xFF);
    PostMessageW(box, WM_KEYDOWN, key, 1);
    PostMessageW(box, WM_CHAR, c, 1);
    PostMessageW(box, WM_KEYUP, key, 0xC0000001);
  }
  PostMessageW(box, WM_KEYUP, VK_RETURN, 0xC0000001);
  PumpMessages();
  using Seen = std::vector<std::pair<std::uint32_t, std::string>>;
  EXPECT_EQ(seen, (Seen{{'A', "a"}, {'B', "aB"}, {VK_RETURN, "aB"}}));
}

TEST_F(ToolkitControlsTest, PasswordWindowEndsItsModalRunFromAKeyUp) {
  auto edit = FToolkit->CreatePasswordEdit(*FOwner, TBoundsRect{24, 24, 281, 45}, '*', "key");
  HWND box = ChildrenOfClass(Hwnd(*FOwner), L"Edit").at(0);
  edit->OnKeyUp = [&](std::uint32_t) {
    if (edit->Text() == "ok") {
      FOwner->EndModal(TModalResult::OK);
    }
  };
  edit->SetFocus();
  RunLater(50, [&] {
    EXPECT_EQ(GetFocus(), box) << "the box has the focus once the window is up";
    for (wchar_t c : std::wstring(L"ok")) {
      PostMessageW(box, WM_CHAR, c, 1);
      PostMessageW(box, WM_KEYUP, static_cast<WPARAM>(VkKeyScanW(c) & 0xFF), 0xC0000001);
    }
  });
  EXPECT_EQ(FOwner->ShowModal(), TModalResult::OK);
}

} // namespace
} // namespace tessera
