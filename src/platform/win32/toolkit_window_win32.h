#pragma once

#include "platform/api/stored_styles.h"
#include "platform/api/toolkit.h"
#include "platform/win32/gdi_handles.h"
#include "platform/win32/windows_api.h"

#include <memory>
#include <string>
#include <vector>

namespace tessera::win32 {

class Win32ToolkitWindow;

// What the toolkit and all its windows share.
struct TToolkitShared {
  Win32ToolkitWindow* MainWindow = nullptr;
  std::string ApplicationTitle;
  // Every window of the toolkit that exists, so that a visual style reaches
  // them all.
  std::vector<Win32ToolkitWindow*> Windows;
  // The active visual style, or null for the system's own look.
  const TStoredStyle* Style = nullptr;
};

// Window properties through which a parent lays out its children without
// holding pointers to their objects, whose lives it does not control.
// A child with kAlignBottomProp takes a strip of that many pixels at the
// bottom of its parent's client area, full width; a child with
// kFillParentProp fills what is left.
inline constexpr const wchar_t* kAlignBottomProp = L"Tessera.AlignBottom";
inline constexpr const wchar_t* kFillParentProp = L"Tessera.FillParent";
// Kept on a top-level window: the child that had the keyboard focus when the
// window was last deactivated (or was last given it), so that activation
// puts the focus back there instead of on the window itself.
inline constexpr const wchar_t* kLastFocusProp = L"Tessera.LastFocus";

// Places the children of `parent` that carry the layout properties above.
void LayoutChildren(HWND parent);
// Gives `control` the keyboard focus and remembers it on its top-level
// window for the next activation.
void FocusControl(HWND control);

// Registers the window classes of the toolkit's windows (once per process).
void RegisterWindowClasses();

class Win32ToolkitWindow final : public ToolkitWindow {
public:
  Win32ToolkitWindow(ToolkitWindowEvents& events, TWindowKind kind,
                     std::shared_ptr<TToolkitShared> shared);
  ~Win32ToolkitWindow() override;
  Win32ToolkitWindow(const Win32ToolkitWindow&) = delete;
  Win32ToolkitWindow& operator=(const Win32ToolkitWindow&) = delete;

  // Tells the owner about the new native window; called once the object
  // is complete, so the owner may already use it.
  void NotifyHandleCreated();

  HWND Hwnd() const { return FHandle; }
  // Follows the toolkit's active visual style: the frame through the
  // window manager and the background the window paints. Only normal
  // windows take it; shadow pop-ups keep the colour their owner gives them.
  void ApplyVisualStyle();
  // The font set through SetFont, or null for the system's default font.
  HFONT Font() const { return FFont.Get(); }

  TNativeWindow Handle() const override;
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  void SetBounds(int left, int top, int width, int height) override;
  void SetSize(int width, int height) override;
  TBoundsRect Bounds() const override;
  void SetClientSize(int width, int height) override;
  TBoundsRect ClientRect() const override;
  void SetBorderStyle(TBorderStyle style) override;
  TBorderStyle BorderStyle() const override { return FBorderStyle; }
  void SetWindowState(TWindowState state) override;
  TWindowState WindowState() const override;
  void SetStayOnTop(bool stayOnTop) override;
  bool StayOnTop() const override { return FStayOnTop; }
  void SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) override;
  void CenterOnDesktop() override;
  void CenterOnScreen() override;
  void SetColor(TColor color) override;
  void SetCursor(TCursorKind cursor) override;
  void SetFont(const std::string& family, int heightPixels) override;
  void SetCornerPreference(int preference) override;
  bool SetRoundRectRegion(int right, int bottom, int ellipseWidth, int ellipseHeight) override;
  void Show() override;
  void Hide() override;
  bool Visible() const override;
  void BringToFront() override;
  void SetFocus() override;
  void Close() override;
  TModalResult ShowModal() override;
  void EndModal(TModalResult result) override;
  void SetParent(ToolkitWindow* parent) override;
  void SetMenu(ToolkitMenu* menuBar) override;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                     LPARAM lParam) noexcept;

private:
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleSysCommand(UINT message, WPARAM wParam, LPARAM lParam);
  void ApplyStyles();
  // Moves the window so that its outer rectangle starts at (left, top),
  // also when it is maximized or minimized (then its restored place moves).
  void MoveTo(int left, int top);
  void ClampSize(int& width, int& height) const;
  TWindowState CurrentState() const;
  // What the background is painted in: the visual style's window colour
  // while one is active, else the window's own.
  COLORREF BackgroundColor() const;
  // Takes the menu bar off the window before the window goes, which would
  // otherwise destroy a menu its owner still holds.
  void ReleaseMenuBar();

  ToolkitWindowEvents& FEvents;
  const TWindowKind FKind;
  std::shared_ptr<TToolkitShared> FShared;
  HWND FHandle = nullptr;
  TBorderStyle FBorderStyle = TBorderStyle::Sizeable;
  // The state to take when shown; the window's own state while visible.
  TWindowState FWindowState = TWindowState::Normal;
  bool FStayOnTop = false;
  bool FEmbedded = false;
  int FMinWidth = 0;
  int FMinHeight = 0;
  int FMaxWidth = 0;
  int FMaxHeight = 0;
  TColor FColor;
  TCursorKind FCursor = TCursorKind::Default;
  TFont FFont;
  // Whether the frame carries a visual style's colours, which going back to
  // the system's look must undo.
  bool FFrameStyled = false;
  // WM_SIZE messages seen so far: tells whether the system already
  // reported a change of the client area.
  unsigned FSizeMessages = 0;
  bool FModal = false;
  TModalResult FModalResult = TModalResult::None;
};

} // namespace tessera::win32
