#pragma once

#include "platform/api/toolkit.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessera {

class FakeToolkit;

// A window that only keeps its state. Tests read the state and play the
// user's part: a close from the title bar, a key released in a box.
class FakeToolkitWindow final : public ToolkitWindow {
public:
  FakeToolkitWindow(FakeToolkit& toolkit, ToolkitWindowEvents& events, TWindowKind kind,
                    TNativeWindow handle);
  ~FakeToolkitWindow() override;

  TNativeWindow Handle() const override { return FHandle; }
  void SetCaption(const std::string& caption) override { FCaption = caption; }
  std::string Caption() const override { return FCaption; }
  void SetBounds(int left, int top, int width, int height) override;
  void SetSize(int width, int height) override {
    SetBounds(FBounds.Left, FBounds.Top, width, height);
  }
  TBoundsRect Bounds() const override { return FBounds; }
  void SetClientSize(int width, int height) override;
  TBoundsRect ClientRect() const override;
  void SetBorderStyle(TBorderStyle style) override { FBorderStyle = style; }
  TBorderStyle BorderStyle() const override { return FBorderStyle; }
  void SetWindowState(TWindowState state) override { FWindowState = state; }
  TWindowState WindowState() const override { return FWindowState; }
  void SetStayOnTop(bool stayOnTop) override { FStayOnTop = stayOnTop; }
  bool StayOnTop() const override { return FStayOnTop; }
  void SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) override;
  void CenterOnDesktop() override { Placement = "desktop centre"; }
  void CenterOnScreen() override { Placement = "screen centre"; }
  void SetColor(TColor color) override { Color = color; }
  void SetCursor(TCursorKind cursor) override { Cursor = cursor; }
  void SetFont(const std::string& family, int heightPixels) override;
  void SetCornerPreference(int preference) override { CornerPreference = preference; }
  bool SetRoundRectRegion(int right, int bottom, int ellipseWidth, int ellipseHeight) override;
  void Show() override { FVisible = true; }
  void Hide() override { FVisible = false; }
  bool Visible() const override { return FVisible; }
  void BringToFront() override { ++BroughtToFront; }
  void SetFocus() override;
  void Close() override;
  TModalResult ShowModal() override;
  void EndModal(TModalResult result) override;
  void SetParent(ToolkitWindow* parent) override;
  void SetMenu(ToolkitMenu* menuBar) override { Menu = menuBar; }

  // The user closes the window (title-bar button, Alt+F4).
  void UserClose() { Close(); }

  const TWindowKind Kind;
  std::string Placement = "none";
  TColor Color = kColorWindow;
  TCursorKind Cursor = TCursorKind::Default;
  std::string FontFamily;
  int FontHeight = 0;
  int CornerPreference = -1;
  std::string Region;
  bool RegionRefused = false;
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;
  ToolkitWindow* Parent = nullptr;
  ToolkitMenu* Menu = nullptr;
  int BroughtToFront = 0;
  bool Closed = false;
  int CloseQueries = 0;
  // What ShowModal does while "the user works": set by the test.
  std::function<void(FakeToolkitWindow& window)> DuringModal;

  ToolkitWindowEvents& Events() { return FEvents; }

private:
  FakeToolkit& FToolkit;
  ToolkitWindowEvents& FEvents;
  TNativeWindow FHandle;
  std::string FCaption;
  TBoundsRect FBounds{0, 0, 100, 100};
  TBorderStyle FBorderStyle = TBorderStyle::Sizeable;
  TWindowState FWindowState = TWindowState::Normal;
  bool FStayOnTop = false;
  bool FVisible = false;
  bool FInModal = false;
  TModalResult FModalResult = TModalResult::None;
};

class FakeProgressBar final : public ToolkitProgressBar {
public:
  explicit FakeProgressBar(int height) : FHeight(height) {}
  void SetVisible(bool visible) override { FVisible = visible; }
  bool Visible() const override { return FVisible; }
  int Height() const override { return FHeight; }

private:
  int FHeight;
  bool FVisible = true;
};

class FakeActivityIndicator final : public ToolkitActivityIndicator {
public:
  FakeActivityIndicator(int left, int top) : Left(left), Top(top) {}
  void SetColor(TActivityIndicatorColor color) override { Color = color; }
  void SetIndicatorType(TActivityIndicatorType type) override { Type = type; }
  void SetIndicatorSize(TActivityIndicatorSize size) override { Size = size; }
  void SetAnimate(bool animate) override { Animate = animate; }

  int Left;
  int Top;
  TActivityIndicatorColor Color = TActivityIndicatorColor::Black;
  TActivityIndicatorType Type = TActivityIndicatorType::MomentumDots;
  TActivityIndicatorSize Size = TActivityIndicatorSize::Medium;
  bool Animate = false;
};

class FakePasswordEdit final : public ToolkitPasswordEdit {
public:
  FakePasswordEdit(TBoundsRect bounds, char passwordChar, std::string imageName)
      : Bounds(bounds), PasswordChar(passwordChar), ImageName(std::move(imageName)) {}
  std::string Text() const override { return FText; }
  void SetText(const std::string& text) override { FText = text; }
  void SetFocus() override { Focused = true; }

  // The user types `text` one key at a time, each key pressed and released.
  void Type(const std::string& text);
  // Text arrives without a key (pasted with the mouse).
  void Paste(const std::string& text) { FText += text; }
  void ReleaseKey(std::uint32_t virtualKey) {
    if (OnKeyUp)
      OnKeyUp(virtualKey);
  }

  TBoundsRect Bounds;
  char PasswordChar;
  std::string ImageName;
  bool Focused = false;

private:
  std::string FText;
};

// A decoded picture: the fake decodes any bytes except those starting with
// "not an image", and keeps them to tell pictures apart.
class FakeImage final : public ToolkitImage {
public:
  explicit FakeImage(std::string bytes) : Bytes(std::move(bytes)) {}
  int Width() const override { return 16; }
  int Height() const override { return 16; }
  const std::string Bytes;
};

class FakeMenuItem final : public ToolkitMenuItem {
public:
  void SetCaption(const std::string& caption) override { FCaption = caption; }
  std::string Caption() const override { return FCaption; }
  void SetEnabled(bool enabled) override { FEnabled = enabled; }
  bool Enabled() const override { return FEnabled; }
  void SetImage(std::shared_ptr<const ToolkitImage> image) override { Image = std::move(image); }

  // The user chooses the item.
  void Click() {
    if (OnClick)
      OnClick();
  }
  // The bytes of the image shown, or empty.
  std::string ImageBytes() const;

  std::shared_ptr<const ToolkitImage> Image;
  std::vector<std::unique_ptr<FakeMenuItem>> Items;

private:
  std::string FCaption;
  bool FEnabled = true;
};

class FakeMenu final : public ToolkitMenu {
public:
  explicit FakeMenu(bool menuBar) : MenuBar(menuBar) {}
  ToolkitMenuItem& AddItem(ToolkitMenuItem* parent) override;
  void Clear() override { Items.clear(); }
  int Count() const override { return static_cast<int>(Items.size()); }

  // The menu as text: one line per item, indented by level, with "[off]"
  // for disabled items and "<image bytes>" for images.
  std::string Describe() const;

  const bool MenuBar;
  std::vector<std::unique_ptr<FakeMenuItem>> Items;
};

class FakeTrayIcon final : public ToolkitTrayIcon {
public:
  void SetVisible(bool visible) override { FVisible = visible; }
  // Shown only where the desktop has a tray to show it.
  bool Visible() const override { return FVisible && DesktopHasTray; }
  void SetPopupMenu(ToolkitMenu* menu) override { PopupMenu = menu; }
  void Click() {
    if (OnClick)
      OnClick();
  }
  ToolkitMenu* PopupMenu = nullptr;
  bool DesktopHasTray = true;

private:
  bool FVisible = false;
};

// A file dialog that records how it was set up and shown, and answers from
// a queue the test fills: a path confirms, nothing cancels.
class FakeFileDialog final : public ToolkitFileDialog {
public:
  explicit FakeFileDialog(TFileDialogKind kind) : Kind(kind) {}
  ~FakeFileDialog() override { *Alive = false; }
  void SetTitle(const std::string& title) override { Title = title; }
  void SetFileName(const std::string& fileName) override { FFileName = fileName; }
  void ClearFileTypes() override { FileTypes.clear(); }
  void AddFileType(const std::string& displayName, const std::string& mask) override {
    FileTypes.emplace_back(displayName, mask);
  }
  void SetOverwritePrompt(bool prompt) override { OverwritePrompt = prompt; }
  bool Execute(TNativeWindow owner) override;
  std::string FileName() const override { return FFileName; }

  const TFileDialogKind Kind;
  std::string Title;
  std::vector<std::pair<std::string, std::string>> FileTypes;
  bool OverwritePrompt = false;
  // Answers of the next runs, in order: a path is confirmed, nullopt (or an
  // empty queue) cancels.
  std::deque<std::optional<std::string>> Answers;
  // What each run saw: its owner, and the file name set when it started.
  std::vector<TNativeWindow> Owners;
  std::vector<std::string> FileNamesShown;
  // Runs while the dialog is shown, as the loop of a real dialog would run
  // whatever else happens meanwhile.
  std::function<void()> WhileShown;
  // False once the dialog is gone; a copy outlives it.
  std::shared_ptr<bool> Alive = std::make_shared<bool>(true);

private:
  std::string FFileName;
};

// Records what it presents; the test switches the service off, holds the
// service's answers back and plays the user's clicks.
class FakeNotificationCenter final : public ToolkitNotificationCenter {
public:
  struct TNotification {
    std::string Name;
    std::string Heading;
    std::string Text;
  };
  // Answers NoService without IsAvailable, Refused with PresentError when
  // set, else Presented; at once, or on AnswerHeld when AnswerLater is set.
  void Present(const std::string& name, const std::string& heading, const std::string& text,
               TPresented done) override;
  // The service answers the oldest notification still waiting; false when
  // none waits.
  bool AnswerHeld();
  // The user clicks the notification of that name.
  void Click(const std::string& name) {
    if (OnClick)
      OnClick(name);
  }

  bool IsAvailable = true;
  std::string PresentError;
  bool AnswerLater = false;
  std::vector<TNotification> Presented;

private:
  std::deque<std::function<void()>> FHeld;
};

// The toolkit for unit tests: creates fake windows and controls, records
// message dialogs and answers them from a queue.
class FakeToolkit final : public Toolkit {
public:
  std::unique_ptr<ToolkitWindow> CreateForm(ToolkitWindowEvents& events, TWindowKind kind) override;
  std::unique_ptr<ToolkitProgressBar> CreateMarqueeProgressBar(ToolkitWindow& owner,
                                                               int height) override;
  std::unique_ptr<ToolkitActivityIndicator> CreateActivityIndicator(ToolkitWindow& owner, int left,
                                                                    int top) override;
  std::unique_ptr<ToolkitPasswordEdit> CreatePasswordEdit(ToolkitWindow& owner,
                                                          const TBoundsRect& bounds,
                                                          char passwordChar,
                                                          const std::string& imageName) override;
  std::unique_ptr<ToolkitMenu> CreateMenuBar() override;
  std::unique_ptr<ToolkitMenu> CreatePopupMenu() override;
  std::unique_ptr<ToolkitTrayIcon> CreateTrayIcon() override;
  std::shared_ptr<const ToolkitImage> DecodeImage(const std::string& bytes) override;
  std::unique_ptr<ToolkitFileDialog> CreateFileDialog(TFileDialogKind kind) override;
  std::unique_ptr<ToolkitNotificationCenter> CreateNotificationCenter() override;
  TModalResult MessageDialog(const TMessageDialogRequest& request) override;
  TNativeWindow ActiveWindow() const override { return Active; }
  void SetMainWindow(ToolkitWindow* window) override { MainWindow = window; }
  void SetApplicationTitle(const std::string& title) override { ApplicationTitle = title; }
  void SetApplicationIcon(const ToolkitImage& icon) override {
    ApplicationIcon = static_cast<const FakeImage&>(icon).Bytes;
  }
  std::vector<std::string> StyleNames() const override;
  std::string ActiveStyle() const override { return FActiveStyle; }
  bool SetStyle(const std::string& name) override;

  // Answers for the next message dialogs, in order; OK when none is left.
  std::deque<TModalResult> DialogAnswers;
  std::vector<TMessageDialogRequest> Dialogs;
  // Every window made so far that still exists, in creation order.
  std::vector<FakeToolkitWindow*> Windows;
  FakeProgressBar* LastProgressBar = nullptr;
  FakeActivityIndicator* LastActivityIndicator = nullptr;
  FakePasswordEdit* LastPasswordEdit = nullptr;
  FakeTrayIcon* LastTrayIcon = nullptr;
  // Every file dialog and notification centre made so far, in creation
  // order; each lives as long as whoever made it.
  std::vector<FakeFileDialog*> FileDialogs;
  std::vector<FakeNotificationCenter*> NotificationCenters;
  ToolkitWindow* MainWindow = nullptr;
  std::string ApplicationTitle;
  // The bytes of the image SetApplicationIcon was last given.
  std::string ApplicationIcon;
  TNativeWindow Active = 0;
  // Set when the application's main window closed: the event loop would end.
  bool QuitRequested = false;
  // Records of what happened, in order, for tests of sequences.
  std::vector<std::string> Events;
  // Runs while any window without its own DuringModal is shown modally.
  std::function<void(FakeToolkitWindow& window)> OnShowModal;
  // Runs when a message dialog is shown, before it is answered.
  std::function<void(const TMessageDialogRequest& request)> OnDialog;
  // Every style activated, by its own name, in order; refused ones are not
  // listed.
  std::vector<std::string> StyleApplications;
  // Makes SetStyle refuse even a style it knows (one the system cannot
  // apply).
  bool RefuseStyles = false;

  void Forget(FakeToolkitWindow* window);

  // Text measuring: every character is half the font height wide.
  struct TTextMeasure {
    std::string FontFamily;
    int FontHeightPixels = 0;
    std::string Text;
  };
  std::vector<TTextMeasure> TextMeasures;
  int TextWidth(const std::string& fontFamily, int fontHeightPixels,
                const std::string& text) override {
    TextMeasures.push_back({fontFamily, fontHeightPixels, text});
    return static_cast<int>(text.size()) * fontHeightPixels / 2;
  }

private:
  TNativeWindow FNextHandle = 0x1000;
  std::string FActiveStyle = "Windows";
};

} // namespace tessera
