// The window captions of the Windows OS services on real windows.
#include "platform/api/os_services.h"

#include "platform/win32/windows_api.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace tessera {
namespace {

// A hidden top-level window with a caption, destroyed with the object.
class THiddenWindow {
public:
  explicit THiddenWindow(const wchar_t* caption)
      : FHandle(CreateWindowExW(0, L"STATIC", caption, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr)) {}
  ~THiddenWindow() {
    if (FHandle != nullptr)
      DestroyWindow(FHandle);
  }
  THiddenWindow(const THiddenWindow&) = delete;
  THiddenWindow& operator=(const THiddenWindow&) = delete;
  HWND Get() const { return FHandle; }

private:
  HWND FHandle;
};

TEST(WindowCaptions, ListsHiddenWindowsWithACaptionAndLeavesBlankOnesOut) {
  const THiddenWindow named(L" Tessera caption probe \x00e9 ");
  const THiddenWindow blank(L" \t ");
  ASSERT_NE(named.Get(), nullptr);
  ASSERT_NE(blank.Get(), nullptr);

  const std::vector<std::string> captions = CreateOsServices()->GetWindowsCaptions();
  // Kept untrimmed, in UTF-8.
  EXPECT_EQ(std::count(captions.begin(), captions.end(), " Tessera caption probe \xC3\xA9 "), 1);
  for (const std::string& caption : captions)
    EXPECT_TRUE(std::any_of(caption.begin(), caption.end(), [](char c) {
      return static_cast<unsigned char>(c) > ' ';
    })) << "blank caption listed";
}

} // namespace
} // namespace tessera
