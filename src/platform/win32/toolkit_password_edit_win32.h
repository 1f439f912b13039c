#pragma once

#include "platform/api/toolkit.h"
#include "platform/win32/child_control.h"

#include <memory>

namespace tessera::win32 {

// A one-line EDIT in password mode with a small image button inside its
// left edge; the text starts to the right of the button.
class Win32PasswordEdit final : public ToolkitPasswordEdit {
public:
  // `imageName` "key" gives the key image; any other name, no button.
  Win32PasswordEdit(HWND owner, const TBoundsRect& bounds, char passwordChar,
                    const std::string& imageName, HFONT font);

  std::string Text() const override;
  void SetText(const std::string& text) override;
  void SetFocus() override;

private:
  std::optional<LRESULT> HandleEditMessage(UINT message, WPARAM wParam, LPARAM lParam);
  std::optional<LRESULT> HandleButtonMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // Sizes the button to the box's height and keeps the text clear of it.
  void LayoutButton();

  TChildControl FEdit;
  // Destroyed before the box, its parent.
  std::unique_ptr<TChildControl> FButton;
};

} // namespace tessera::win32
