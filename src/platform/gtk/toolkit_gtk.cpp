#include "platform/gtk/toolkit_gtk.h"

#include "base/exceptions.h"
#include "platform/gtk/text_width_gtk.h"
#include "platform/gtk/toolkit_activity_indicator_gtk.h"
#include "platform/gtk/toolkit_file_dialog_gtk.h"
#include "platform/gtk/toolkit_image_gtk.h"
#include "platform/gtk/toolkit_menu_gtk.h"
#include "platform/gtk/toolkit_message_dialog_gtk.h"
#include "platform/gtk/toolkit_notification_center_gtk.h"
#include "platform/gtk/toolkit_password_edit_gtk.h"
#include "platform/gtk/toolkit_progress_bar_gtk.h"
#include "platform/gtk/toolkit_tray_icon_gtk.h"
#include "platform/gtk/toolkit_window_gtk.h"
#include "platform/gtk/valid_utf8.h"
#include "platform/gtk/visual_style_gtk.h"
#include "platform/gtk/window_icon_gtk.h"

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace tessera {

namespace {

using gtk::GtkToolkitWindow;

// Every window the portable code hands back came from this toolkit.
GtkWidget* AreaOf(ToolkitWindow& window) {
  return static_cast<GtkToolkitWindow&>(window).ClientArea();
}

// The toplevel that has the keyboard focus now, or null.
GtkWindow* ActiveTopLevel() {
  GtkWindow* active = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item != nullptr && active == nullptr; item = item->next) {
    auto* window = GTK_WINDOW(item->data);
    if (gtk_window_is_active(window) && gtk_widget_get_visible(GTK_WIDGET(window))) {
      active = window;
    }
  }
  g_list_free(toplevels);
  return active;
}

class GtkToolkit final : public Toolkit {
public:
  std::unique_ptr<ToolkitWindow> CreateForm(ToolkitWindowEvents& events,
                                            TWindowKind kind) override {
    auto window = std::make_unique<GtkToolkitWindow>(events, kind, FShared);
    window->NotifyHandleCreated();
    return window;
  }

  std::unique_ptr<ToolkitProgressBar> CreateMarqueeProgressBar(ToolkitWindow& owner,
                                                               int height) override {
    return std::make_unique<gtk::GtkMarqueeProgressBar>(AreaOf(owner), height);
  }

  std::unique_ptr<ToolkitActivityIndicator> CreateActivityIndicator(ToolkitWindow& owner, int left,
                                                                    int top) override {
    return std::make_unique<gtk::GtkActivityIndicator>(AreaOf(owner), left, top);
  }

  std::unique_ptr<ToolkitPasswordEdit> CreatePasswordEdit(ToolkitWindow& owner,
                                                          const TBoundsRect& bounds,
                                                          char passwordChar,
                                                          const std::string& imageName) override {
    return std::make_unique<gtk::GtkPasswordEdit>(AreaOf(owner), bounds, passwordChar, imageName);
  }

  std::unique_ptr<ToolkitMenu> CreateMenuBar() override {
    return std::make_unique<gtk::GtkToolkitMenu>(true);
  }

  std::unique_ptr<ToolkitMenu> CreatePopupMenu() override {
    return std::make_unique<gtk::GtkToolkitMenu>(false);
  }

  std::unique_ptr<ToolkitTrayIcon> CreateTrayIcon() override {
    return std::make_unique<gtk::GtkToolkitTrayIcon>();
  }

  std::shared_ptr<const ToolkitImage> DecodeImage(const std::string& bytes) override {
    return gtk::DecodeGtkImage(bytes);
  }

  std::unique_ptr<ToolkitFileDialog> CreateFileDialog(TFileDialogKind kind) override {
    return std::make_unique<gtk::GtkFileDialog>(kind);
  }

  std::unique_ptr<ToolkitNotificationCenter> CreateNotificationCenter() override {
    return std::make_unique<gtk::GtkNotificationCenter>();
  }

  TModalResult MessageDialog(const TMessageDialogRequest& request) override {
    return gtk::ShowMessageDialog(request, ActiveTopLevel());
  }

  TNativeWindow ActiveWindow() const override {
    GtkWindow* active = ActiveTopLevel();
    if (active == nullptr) {
      return 0;
    }
    // One of ours: its client area, the handle the rest of the system knows.
    GtkToolkitWindow* window = GtkToolkitWindow::FromTopLevel(active);
    return window != nullptr ? window->Handle() : 0;
  }

  void SetMainWindow(ToolkitWindow* window) override {
    FShared->MainWindow = static_cast<GtkToolkitWindow*>(window);
  }

  // The name desktops show for the application where no window caption
  // applies (window lists, notifications). GLib takes it once per process;
  // later titles are kept here only.
  int TextWidth(const std::string& fontFamily, int fontHeightPixels,
                const std::string& text) override {
    return gtk::MeasureTextWidth(fontFamily, fontHeightPixels, text);
  }

  void SetApplicationTitle(const std::string& title) override {
    FApplicationTitle = title;
    static bool named = false;
    if (!named) {
      named = true;
      g_set_application_name(gtk::ValidUtf8(title).c_str());
    }
  }

  void SetApplicationIcon(const ToolkitImage& icon) override {
    gtk::SetDefaultWindowIcon(static_cast<const gtk::GtkToolkitImage&>(icon).Pixbuf());
  }

  std::vector<std::string> StyleNames() const override { return AllStyleNames(); }
  std::string ActiveStyle() const override { return FVisualStyle.ActiveName(); }
  bool SetStyle(const std::string& name) override {
    if (!FVisualStyle.Set(name)) {
      return false;
    }
    // A stored style shows in the title bars, which the windows draw
    // themselves while it is active; the system's look is the window
    // manager's.
    const bool styled = !IsSystemStyleName(FVisualStyle.ActiveName());
    if (styled != FShared->StyledTitleBars) {
      FShared->StyledTitleBars = styled;
      // A copy: a window reports its new client size to its owner.
      const std::vector<GtkToolkitWindow*> windows = FShared->Windows;
      for (GtkToolkitWindow* window : windows) {
        window->UpdateTitleBar();
      }
    }
    return true;
  }

private:
  std::shared_ptr<gtk::TToolkitShared> FShared = std::make_shared<gtk::TToolkitShared>();
  std::string FApplicationTitle;
  gtk::TVisualStyleGtk FVisualStyle;
};

} // namespace

std::unique_ptr<Toolkit> CreateGtkToolkit() {
  if (!gtk_init_check(nullptr, nullptr)) {
    throw Exception("cannot open the display");
  }
  return std::make_unique<GtkToolkit>();
}

} // namespace tessera
