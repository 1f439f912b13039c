#pragma once

#include "platform/api/toolkit.h"
#include "platform/win32/child_control.h"

namespace tessera::win32 {

// The system's progress bar in marquee style, as a strip along the bottom
// of its owner's client area.
class Win32ProgressBar final : public ToolkitProgressBar {
public:
  Win32ProgressBar(HWND owner, int height);

  void SetVisible(bool visible) override;
  bool Visible() const override;
  int Height() const override { return FHeight; }

private:
  int FHeight;
  TChildControl FControl;
};

} // namespace tessera::win32
