#include "platform/win32/toolkit_win32.h"

#include "platform/win32/text_width_win32.h"
#include "platform/win32/toolkit_activity_indicator_win32.h"
#include "platform/win32/toolkit_file_dialog_win32.h"
#include "platform/win32/toolkit_image_win32.h"
#include "platform/win32/toolkit_menu_win32.h"
#include "platform/win32/toolkit_message_dialog_win32.h"
#include "platform/win32/toolkit_notification_center_win32.h"
#include "platform/win32/toolkit_password_edit_win32.h"
#include "platform/win32/toolkit_progress_bar_win32.h"
#include "platform/win32/toolkit_tray_icon_win32.h"
#include "platform/win32/toolkit_window_win32.h"

#include <string>
#include <vector>

namespace tessera {

namespace {

using win32::Win32ToolkitWindow;

// Every window the portable code hands back came from this toolkit.
HWND NativeOf(ToolkitWindow& window) {
  return static_cast<Win32ToolkitWindow&>(window).Hwnd();
}

class Win32Toolkit final : public Toolkit {
public:
  std::unique_ptr<ToolkitWindow> CreateForm(ToolkitWindowEvents& events,
                                            TWindowKind kind) override {
    auto window = std::make_unique<Win32ToolkitWindow>(events, kind, FShared);
    window->NotifyHandleCreated();
    return window;
  }

  std::unique_ptr<ToolkitProgressBar> CreateMarqueeProgressBar(ToolkitWindow& owner,
                                                               int height) override {
    return std::make_unique<win32::Win32ProgressBar>(NativeOf(owner), height);
  }

  std::unique_ptr<ToolkitActivityIndicator> CreateActivityIndicator(ToolkitWindow& owner, int left,
                                                                    int top) override {
    return std::make_unique<win32::Win32ActivityIndicator>(NativeOf(owner), left, top);
  }

  std::unique_ptr<ToolkitPasswordEdit> CreatePasswordEdit(ToolkitWindow& owner,
                                                          const TBoundsRect& bounds,
                                                          char passwordChar,
                                                          const std::string& imageName) override {
    auto& window = static_cast<Win32ToolkitWindow&>(owner);
    return std::make_unique<win32::Win32PasswordEdit>(window.Hwnd(), bounds, passwordChar,
                                                      imageName, window.Font());
  }

  std::unique_ptr<ToolkitMenu> CreateMenuBar() override {
    return std::make_unique<win32::Win32Menu>(true);
  }

  std::unique_ptr<ToolkitMenu> CreatePopupMenu() override {
    return std::make_unique<win32::Win32Menu>(false);
  }

  std::unique_ptr<ToolkitTrayIcon> CreateTrayIcon() override {
    return std::make_unique<win32::Win32TrayIcon>(FShared);
  }

  std::shared_ptr<const ToolkitImage> DecodeImage(const std::string& bytes) override {
    return win32::DecodeImageBytes(bytes);
  }

  std::unique_ptr<ToolkitFileDialog> CreateFileDialog(TFileDialogKind kind) override {
    return std::make_unique<win32::Win32FileDialog>(kind);
  }

  std::unique_ptr<ToolkitNotificationCenter> CreateNotificationCenter() override {
    return std::make_unique<win32::Win32NotificationCenter>(FShared);
  }

  TModalResult MessageDialog(const TMessageDialogRequest& request) override {
    return win32::ShowMessageDialog(request, GetActiveWindow());
  }

  TNativeWindow ActiveWindow() const override {
    return reinterpret_cast<TNativeWindow>(GetActiveWindow());
  }

  void SetMainWindow(ToolkitWindow* window) override {
    FShared->MainWindow = static_cast<Win32ToolkitWindow*>(window);
  }

  // There is no hidden application window here: the main window carries
  // the task-bar button and its caption is the text the shell shows. The
  // title is kept for whatever later needs the application's name.
  void SetApplicationTitle(const std::string& title) override { FShared->ApplicationTitle = title; }
  // Every window class loads the executable's own icon resource
  // ("MAINICON"), which tessera-pack --icon replaces.
  void SetApplicationIcon(const ToolkitImage&) override {}

  std::vector<std::string> StyleNames() const override { return AllStyleNames(); }

  std::string ActiveStyle() const override {
    return std::string(FShared->Style != nullptr ? FShared->Style->Name : kSystemStyleName);
  }

  bool SetStyle(const std::string& name) override {
    const TStoredStyle* style = nullptr;
    if (!IsSystemStyleName(name)) {
      style = FindStoredStyle(name);
      if (style == nullptr) {
        return false;
      }
    }
    FShared->Style = style;
    // Windows made from now on take it when they are made.
    const std::vector<Win32ToolkitWindow*> windows = FShared->Windows;
    for (Win32ToolkitWindow* window : windows) {
      window->ApplyVisualStyle();
    }
    return true;
  }

  int TextWidth(const std::string& fontFamily, int fontHeightPixels,
                const std::string& text) override {
    return win32::MeasureTextWidth(fontFamily, fontHeightPixels, text);
  }

private:
  std::shared_ptr<win32::TToolkitShared> FShared = std::make_shared<win32::TToolkitShared>();
};

} // namespace

std::unique_ptr<Toolkit> CreateWin32Toolkit() {
  return std::make_unique<Win32Toolkit>();
}

} // namespace tessera
