#pragma once

#include "platform/api/web_view_platform.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessera {

// The system commands a window reports: minimize and restore, which the
// web view control answers by hiding and showing its page, and any other.
enum class TSysCommand { Minimize, Restore, Other };

class ToolkitMenu;

// Colours as the toolkit stores them: 0x00BBGGRR for a plain colour, or
// 0xFF0000NN for the system's colour number NN (the hot-tracking colour 26
// is 0xFF00001A). The backend resolves system colours when it paints.
using TColor = std::uint32_t;

inline constexpr TColor kSystemColorFlag = 0xFF000000u;
inline constexpr TColor kColorHotLight = 0xFF00001Au;
inline constexpr TColor kColorWindow = 0xFF000005u;

constexpr TColor SystemColor(std::uint8_t index) {
  return kSystemColorFlag | index;
}

enum class TBorderStyle {
  None = 0,
  Single = 1,
  Sizeable = 2,
  Dialog = 3,
  ToolWindow = 4,
  SizeToolWin = 5
};

enum class TWindowState { Normal, Minimized, Maximized };

// How a window ended its modal run, and what a message dialog's buttons give.
enum class TModalResult { None = 0, OK = 1, Cancel = 2 };

enum class TCursorKind { Default, AppStarting };

// How a top-level window is made; fixed for the window's life.
enum class TWindowKind {
  // A normal top-level window with the frame its border style gives.
  Normal,
  // A borderless pop-up with a drop shadow under it, for small transient
  // windows that must not look like application windows.
  ShadowPopup,
};

// What the toolkit tells the owner of a window. All calls come on the UI
// thread; none may throw into the toolkit (the backends guard them anyway).
class ToolkitWindowEvents {
public:
  virtual ~ToolkitWindowEvents() = default;
  // Any request to close the window: the title-bar button, the system menu,
  // Alt+F4, the task bar or ToolkitWindow::Close. True lets it close.
  virtual bool CloseQuery() = 0;
  // The close was granted; the window is hidden and, when it is the
  // application's main window, the event loop ends after this returns.
  virtual void Closed() = 0;
  // The client area changed size.
  virtual void Resized() = 0;
  // The native window was created, or created again; web views bound to it
  // must follow.
  virtual void HandleCreated(TNativeWindow handle) = 0;
  // The user asked, through the window's system menu or caption buttons, to
  // minimize or restore it.
  virtual void SysCommand(TSysCommand command) = 0;
};

// One window of the toolkit: top-level, or embedded in another window's
// client area.
class ToolkitWindow {
public:
  virtual ~ToolkitWindow() = default;

  virtual TNativeWindow Handle() const = 0;

  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;

  // Outer bounds in screen pixels (including the frame).
  virtual void SetBounds(int left, int top, int width, int height) = 0;
  // The outer size alone: the window stays where it is, or, not shown yet,
  // where the system places it.
  virtual void SetSize(int width, int height) = 0;
  virtual TBoundsRect Bounds() const = 0;
  virtual void SetClientSize(int width, int height) = 0;
  // The client area in client coordinates (Left and Top are 0).
  virtual TBoundsRect ClientRect() const = 0;

  virtual void SetBorderStyle(TBorderStyle style) = 0;
  virtual TBorderStyle BorderStyle() const = 0;
  virtual void SetWindowState(TWindowState state) = 0;
  virtual TWindowState WindowState() const = 0;
  virtual void SetStayOnTop(bool stayOnTop) = 0;
  virtual bool StayOnTop() const = 0;
  // Limits of the outer size; 0 means no limit.
  virtual void SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) = 0;

  // Centre on the area all monitors span together, or on the primary screen.
  virtual void CenterOnDesktop() = 0;
  virtual void CenterOnScreen() = 0;

  virtual void SetColor(TColor color) = 0;
  virtual void SetCursor(TCursorKind cursor) = 0;
  virtual void SetFont(const std::string& family, int heightPixels) = 0;
  // The window manager's corner preference: 0 default, 1 square, 2 round,
  // 3 small round. Systems without the preference ignore it.
  virtual void SetCornerPreference(int preference) = 0;
  // Clips the window to a rounded rectangle from (0, 0) to (right, bottom)
  // with corner ellipses of the given size; false when the system refuses.
  virtual bool SetRoundRectRegion(int right, int bottom, int ellipseWidth, int ellipseHeight) = 0;

  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() const = 0;
  virtual void BringToFront() = 0;
  virtual void SetFocus() = 0;

  // Asks the owner through CloseQuery and closes when it agrees.
  virtual void Close() = 0;

  // Shows the window modally, with every other window of the application
  // disabled, and returns the result given to EndModal. Closing a modal
  // window whose close is granted ends it with Cancel.
  virtual TModalResult ShowModal() = 0;
  virtual void EndModal(TModalResult result) = 0;

  // Embeds this window in `parent`'s client area, filling it and following
  // its size; null makes it top-level again.
  virtual void SetParent(ToolkitWindow* parent) = 0;

  // Shows a menu bar (made by Toolkit::CreateMenuBar) above the client area,
  // which shrinks to make room; null removes it. The menu must outlive the
  // window or be removed first.
  virtual void SetMenu(ToolkitMenu* menuBar) = 0;
};

// A thin bar with an indeterminate (marquee) animation, aligned to the
// bottom edge of its window.
class ToolkitProgressBar {
public:
  virtual ~ToolkitProgressBar() = default;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  virtual int Height() const = 0;
};

enum class TActivityIndicatorColor { Black = 0, White = 1 };
enum class TActivityIndicatorType { MomentumDots = 0, RotatingSector = 1, SectorRing = 2 };
enum class TActivityIndicatorSize { Small, Medium, Large, XLarge };

// Side of the square an indicator of that size takes, in pixels; the same
// on every platform.
constexpr int ActivityIndicatorPixels(TActivityIndicatorSize size) {
  switch (size) {
  case TActivityIndicatorSize::Small:
    return 24;
  case TActivityIndicatorSize::Medium:
    return 32;
  case TActivityIndicatorSize::Large:
    return 48;
  case TActivityIndicatorSize::XLarge:
    return 64;
  }
  return 32;
}

// How long one turn of the animation takes, in milliseconds.
constexpr int ActivityIndicatorCycleMs(TActivityIndicatorType type) {
  return type == TActivityIndicatorType::MomentumDots ? 1800 : 1000;
}

// An animated "working" sign, drawn by the toolkit.
class ToolkitActivityIndicator {
public:
  virtual ~ToolkitActivityIndicator() = default;
  virtual void SetColor(TActivityIndicatorColor color) = 0;
  virtual void SetIndicatorType(TActivityIndicatorType type) = 0;
  virtual void SetIndicatorSize(TActivityIndicatorSize size) = 0;
  virtual void SetAnimate(bool animate) = 0;
};

// A one-line password box with a small image button on its left.
class ToolkitPasswordEdit {
public:
  virtual ~ToolkitPasswordEdit() = default;
  virtual std::string Text() const = 0;
  virtual void SetText(const std::string& text) = 0;
  virtual void SetFocus() = 0;
  // Runs after every key release inside the box.
  std::function<void(std::uint32_t virtualKey)> OnKeyUp;
};

// Error and confirmation carry the system's icon; Plain is a bare message.
enum class TMessageDialogKind { Error, Confirmation, Plain };
enum class TMessageDialogButtons { OK, OKCancel };

struct TMessageDialogRequest {
  std::string Text;
  TMessageDialogKind Kind = TMessageDialogKind::Error;
  TMessageDialogButtons Buttons = TMessageDialogButtons::OK;
  // Captions for the buttons in order (affirmative first); buttons beyond
  // the list keep the toolkit's own captions.
  std::vector<std::string> Captions;
  std::string WindowCaption;
};

// A picture decoded by the toolkit from encoded bytes (PNG, JPEG, BMP, ICO,
// GIF: whatever the system's decoders read), ready to show on menu items.
class ToolkitImage {
public:
  virtual ~ToolkitImage() = default;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
};

// One entry of a menu. Items are owned by their menu and live until the
// menu is cleared or destroyed.
class ToolkitMenuItem {
public:
  virtual ~ToolkitMenuItem() = default;
  // The caption "-" makes the item a separator line.
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  virtual bool Enabled() const = 0;
  // Shown beside the caption, scaled to the menu's image size; null for
  // none. The menu keeps the image alive while the item shows it.
  virtual void SetImage(std::shared_ptr<const ToolkitImage> image) = 0;
  // Runs when the user chooses the item; only items without sub-items are
  // chosen.
  std::function<void()> OnClick;
};

// A menu bar or a pop-up menu: a tree of items.
class ToolkitMenu {
public:
  virtual ~ToolkitMenu() = default;
  // Appends an item at the end of `parent`'s sub-items, or of the top level
  // when `parent` is null; `parent` must be an item of this menu.
  virtual ToolkitMenuItem& AddItem(ToolkitMenuItem* parent) = 0;
  // Removes and frees every item, at every level.
  virtual void Clear() = 0;
  virtual int Count() const = 0;
};

// An icon in the desktop's notification area, hidden when made.
class ToolkitTrayIcon {
public:
  virtual ~ToolkitTrayIcon() = default;
  virtual void SetVisible(bool visible) = 0;
  virtual bool Visible() const = 0;
  // The menu the icon pops up (on a right click, or as the desktop shows
  // it); null for none. The menu must outlive the icon or be unset first.
  virtual void SetPopupMenu(ToolkitMenu* menu) = 0;
  // Runs on a click on the icon itself.
  std::function<void()> OnClick;
};

enum class TFileDialogKind { Open, Save, Folder /* existing file-system folders only */ };
// One of the system's file dialogs; keeps its settings between runs.
class ToolkitFileDialog {
public:
  virtual ~ToolkitFileDialog() = default;
  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetFileName(const std::string& fileName) = 0; // not used by Folder
  virtual void ClearFileTypes() = 0;
  // Appends a filter; the first one is the initial filter.
  virtual void AddFileType(const std::string& displayName, const std::string& mask) = 0;
  virtual void SetOverwritePrompt(bool prompt) = 0; // Save only
  // Modal, owned by `owner` (0: none). True when confirmed; FileName() is then the full path.
  virtual bool Execute(TNativeWindow owner) = 0;
  virtual std::string FileName() const = 0;
};

// What became of a notification the centre was asked to present.
enum class TNotificationOutcome {
  Presented,
  // The platform offers no notification service (no server answers).
  NoService,
  // The service is there but refused this notification; the reason comes with it.
  Refused,
};

// Desktop notifications of the application, with clicks reported back.
class ToolkitNotificationCenter {
public:
  using TPresented = std::function<void(TNotificationOutcome outcome, const std::string& reason)>;

  virtual ~ToolkitNotificationCenter() = default;
  // Shows a notification at once: `heading` (may be empty) over `text`; short display, default
  // sound. `name` comes back in OnClick. Never waits for the service: `done` runs once on the UI
  // thread with the outcome, before Present returns where the system answers at once (Windows),
  // else later from the event loop; not at all once the centre is gone.
  virtual void Present(const std::string& name, const std::string& heading, const std::string& text,
                       TPresented done) = 0;
  // Runs on the UI thread when the user clicks a notification this centre presented.
  std::function<void(const std::string& name)> OnClick;
};

// The window toolkit: creates windows and controls and shows the system's
// dialogs. One per process, used on the UI thread only.
class Toolkit {
public:
  virtual ~Toolkit() = default;

  virtual std::unique_ptr<ToolkitWindow> CreateForm(ToolkitWindowEvents& events,
                                                    TWindowKind kind) = 0;
  virtual std::unique_ptr<ToolkitProgressBar> CreateMarqueeProgressBar(ToolkitWindow& owner,
                                                                       int height) = 0;
  virtual std::unique_ptr<ToolkitActivityIndicator> CreateActivityIndicator(ToolkitWindow& owner,
                                                                            int left, int top) = 0;
  // `imageName` names one of the toolkit's built-in images ("key").
  virtual std::unique_ptr<ToolkitPasswordEdit> CreatePasswordEdit(ToolkitWindow& owner,
                                                                  const TBoundsRect& bounds,
                                                                  char passwordChar,
                                                                  const std::string& imageName) = 0;

  // A menu bar, shown by a window through ToolkitWindow::SetMenu.
  virtual std::unique_ptr<ToolkitMenu> CreateMenuBar() = 0;
  virtual std::unique_ptr<ToolkitMenu> CreatePopupMenu() = 0;
  virtual std::unique_ptr<ToolkitTrayIcon> CreateTrayIcon() = 0;
  // Decodes an encoded picture; null when the bytes are no picture the
  // system can read.
  virtual std::shared_ptr<const ToolkitImage> DecodeImage(const std::string& bytes) = 0;
  virtual std::unique_ptr<ToolkitFileDialog> CreateFileDialog(TFileDialogKind kind) = 0;
  virtual std::unique_ptr<ToolkitNotificationCenter> CreateNotificationCenter() = 0;

  // Shows a modal message dialog; Enter chooses the affirmative button,
  // Escape and closing the dialog choose Cancel.
  virtual TModalResult MessageDialog(const TMessageDialogRequest& request) = 0;

  // The window the user works in now (the owner of system dialogs), or 0.
  virtual TNativeWindow ActiveWindow() const = 0;

  // Makes `window` the application's main window: closing it ends the event
  // loop, and it carries the task-bar button.
  virtual void SetMainWindow(ToolkitWindow* window) = 0;
  virtual void SetApplicationTitle(const std::string& title) = 0;
  // The picture every window of the application shows as its icon (title
  // bar, task bar, window lists), present and future, dialogs included.
  // Linux: a package brings it, since the executable carries none. Windows:
  // windows show the executable's own icon resource, which the packager
  // writes, so there is nothing to set and the call changes nothing.
  virtual void SetApplicationIcon(const ToolkitImage& icon) = 0;

  // Visual styles of the application's own windows (frames, captions, window backgrounds; never
  // the page). "Windows" is the system's own look and always there; the others are stored.
  // Every name: "Windows" first, then the stored styles in stored order.
  virtual std::vector<std::string> StyleNames() const = 0;
  virtual std::string ActiveStyle() const = 0;
  // Activates the style whose name matches (letter case ignored, like the style manager) on every
  // window, present and future; false, with nothing changed, when none matches or it cannot be
  // applied.
  virtual bool SetStyle(const std::string& name) = 0;

  // The width in pixels of `text` drawn on the screen in the font family at
  // the given character height (as for ToolkitWindow::SetFont); 0 for no
  // text.
  virtual int TextWidth(const std::string& fontFamily, int fontHeightPixels,
                        const std::string& text) = 0;
};

} // namespace tessera
