#pragma once

#include "platform/api/toolkit.h"
#include "platform/win32/child_control.h"

#include <cstdint>

namespace tessera::win32 {

// The animated "working" sign: a child window that paints its owner's
// background and one frame of the animation over it on every timer tick.
// It shows nothing while it does not animate.
class Win32ActivityIndicator final : public ToolkitActivityIndicator {
public:
  Win32ActivityIndicator(HWND owner, int left, int top);

  void SetColor(TActivityIndicatorColor color) override;
  void SetIndicatorType(TActivityIndicatorType type) override;
  void SetIndicatorSize(TActivityIndicatorSize size) override;
  void SetAnimate(bool animate) override;

private:
  std::optional<LRESULT> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void Paint(HDC dc);

  TActivityIndicatorColor FColor = TActivityIndicatorColor::Black;
  TActivityIndicatorType FType = TActivityIndicatorType::MomentumDots;
  TActivityIndicatorSize FSize = TActivityIndicatorSize::Medium;
  bool FAnimate = false;
  std::uint64_t FStartTick = 0;
  TChildControl FControl;
};

} // namespace tessera::win32
