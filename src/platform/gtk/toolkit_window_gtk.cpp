#include "platform/gtk/toolkit_window_gtk.h"

#include "base/exceptions.h"
#include "platform/gtk/callback_guard.h"
#include "platform/gtk/client_area.h"
#include "platform/gtk/main_loop_glib.h"
#include "platform/gtk/round_rect_region.h"
#include "platform/gtk/system_colors.h"
#include "platform/gtk/toolkit_menu_gtk.h"
#include "platform/gtk/valid_utf8.h"
#include "platform/gtk/visual_style_gtk.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <utility>
#include <vector>

namespace tessera::gtk {

namespace {

constexpr const char* kWindowKey = "tessera-window";

// The button face: a new window's colour until its owner sets one.
constexpr TColor kDefaultColor = SystemColor(15);

// A new window's size until its owner sets one.
constexpr int kDefaultWidth = 320;
constexpr int kDefaultHeight = 240;

// X11 keeps window sizes in 16 bits.
constexpr int kLargestSize = 32767;

// How long after asking for a change of the iconified state the window
// manager's reports are taken as its answer, not as the user's doing.
constexpr gint64 kWindowManagerSettleMicroseconds = 500 * 1000;

int Width(const TBoundsRect& r) {
  return r.Right - r.Left;
}
int Height(const TBoundsRect& r) {
  return r.Bottom - r.Top;
}

// The states in which the window manager decides the window's size: a
// size asked for is no answer to wait for then.
constexpr int kManagedSizeStates = GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED |
                                   GDK_WINDOW_STATE_FULLSCREEN | GDK_WINDOW_STATE_TILED;

// The embedded windows directly inside a client area.
std::vector<GtkToolkitWindow*> EmbeddedWindows(GtkWidget* area) {
  std::vector<GtkToolkitWindow*> windows;
  GList* children = gtk_container_get_children(GTK_CONTAINER(area));
  for (GList* item = children; item != nullptr; item = item->next) {
    if (GtkToolkitWindow* window = GtkToolkitWindow::FromClientArea(GTK_WIDGET(item->data))) {
      windows.push_back(window);
    }
  }
  g_list_free(children);
  return windows;
}

// A family name as a CSS string: quotes, backslashes and line breaks would
// end the string or the rule.
std::string CssString(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\' || c == '\n' || c == '\r' || c == '{' || c == '}' || c == ';') {
      continue;
    }
    quoted += c;
  }
  quoted += '"';
  return quoted;
}

GdkMonitor* PrimaryMonitor(GdkDisplay* display) {
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  // Servers without a primary output (Xvfb) leave it unset.
  if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0) {
    monitor = gdk_display_get_monitor(display, 0);
  }
  return monitor;
}

} // namespace

GtkToolkitWindow::GtkToolkitWindow(ToolkitWindowEvents& events, TWindowKind kind,
                                   std::shared_ptr<TToolkitShared> shared)
    : FEvents(events), FKind(kind), FShared(std::move(shared)), FColor(kDefaultColor) {
  static std::atomic<unsigned> serial{0};
  FCssName = "tessera-window-" + std::to_string(++serial);

  FWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  if (FWindow == nullptr) {
    throw Exception("cannot create a window");
  }
  FClient = TGObjectPtr<GtkWidget>::Retain(NewClientArea());
  gtk_widget_set_name(FClient.Get(), FCssName.c_str());
  g_object_set_data(G_OBJECT(FClient.Get()), kWindowKey, this);
  g_object_set_data(G_OBJECT(FWindow), kWindowKey, this);
  FLayout = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_add(GTK_CONTAINER(FWindow), FLayout);
  gtk_widget_show(FLayout);
  gtk_box_pack_start(GTK_BOX(FLayout), FClient.Get(), TRUE, TRUE, 0);
  gtk_widget_show(FClient.Get());

  if (kind == TWindowKind::ShadowPopup) {
    FBorderStyle = TBorderStyle::None;
  } else {
    // Application windows take the visual style; the small pop-ups keep the
    // colour their owner gives them.
    gtk_style_context_add_class(gtk_widget_get_style_context(FWindow), kStyledWindowClass);
    gtk_style_context_add_class(gtk_widget_get_style_context(FClient.Get()), kStyledClientClass);
    CreateTitleBar();
  }
  FBounds = {0, 0, kDefaultWidth, kDefaultHeight};
  FShared->Windows.push_back(this);
  // The window manager's announcements of the frame are property changes.
  gtk_widget_add_events(FWindow, GDK_PROPERTY_CHANGE_MASK);

  g_signal_connect(FWindow, "delete-event", G_CALLBACK(&GtkToolkitWindow::OnDeleteEvent), this);
  g_signal_connect(FWindow, "configure-event", G_CALLBACK(&GtkToolkitWindow::OnConfigureEvent),
                   this);
  g_signal_connect(FWindow, "window-state-event", G_CALLBACK(&GtkToolkitWindow::OnWindowStateEvent),
                   this);
  g_signal_connect(FWindow, "realize", G_CALLBACK(&GtkToolkitWindow::OnRealize), this);
  g_signal_connect(FWindow, "property-notify-event",
                   G_CALLBACK(&GtkToolkitWindow::OnPropertyNotify), this);
  g_signal_connect(FClient.Get(), "size-allocate", G_CALLBACK(&GtkToolkitWindow::OnClientAllocate),
                   this);
  ApplyStyles();
  UpdateCss();
}

GtkToolkitWindow::~GtkToolkitWindow() {
  if (FShared->MainWindow == this) {
    FShared->MainWindow = nullptr;
  }
  std::erase(FShared->Windows, this);
  if (FModalLoop != nullptr) {
    g_main_loop_quit(FModalLoop);
  }
  // Embedded windows belong to other owners: give them back their own
  // top-level windows instead of destroying them with this one.
  for (GtkToolkitWindow* child : EmbeddedWindows(FClient.Get())) {
    child->SetParent(nullptr);
  }
  if (FEmbedded) {
    SetParent(nullptr);
  }
  ReleaseMenuBar();
  if (FCss) {
    gtk_style_context_remove_provider_for_screen(gtk_widget_get_screen(FWindow),
                                                 GTK_STYLE_PROVIDER(FCss.Get()));
  }
  g_signal_handlers_disconnect_by_data(FClient.Get(), this);
  g_signal_handlers_disconnect_by_data(FWindow, this);
  if (FTitleBar != nullptr) {
    g_signal_handlers_disconnect_by_data(FTitleBar, this);
  }
  g_object_set_data(G_OBJECT(FClient.Get()), kWindowKey, nullptr);
  g_object_set_data(G_OBJECT(FWindow), kWindowKey, nullptr);
  gtk_widget_destroy(FWindow);
}

GtkToolkitWindow* GtkToolkitWindow::FromClientArea(GtkWidget* area) {
  if (!IsClientArea(area)) {
    return nullptr;
  }
  return static_cast<GtkToolkitWindow*>(g_object_get_data(G_OBJECT(area), kWindowKey));
}

GtkToolkitWindow* GtkToolkitWindow::FromTopLevel(GtkWindow* window) {
  return static_cast<GtkToolkitWindow*>(g_object_get_data(G_OBJECT(window), kWindowKey));
}

void GtkToolkitWindow::NotifyHandleCreated() {
  FComplete = true;
  FEvents.HandleCreated(Handle());
}

TNativeWindow GtkToolkitWindow::Handle() const {
  return reinterpret_cast<TNativeWindow>(FClient.Get());
}

gboolean GtkToolkitWindow::OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) noexcept {
  // The title-bar button and the window manager's close all come here; the
  // window is hidden, not destroyed, whatever the answer. The object may be
  // gone once Close returns.
  GuardCallback<int>("window close", 0, [&] {
    static_cast<GtkToolkitWindow*>(self)->Close();
    return 0;
  });
  return TRUE;
}

gboolean GtkToolkitWindow::OnConfigureEvent(GtkWidget*, GdkEventConfigure* event,
                                            gpointer self) noexcept {
  auto* window = static_cast<GtkToolkitWindow*>(self);
  GuardCallback<int>("window configure", 0, [&] {
    if (window->FEmbedded) {
      return 0;
    }
    int left = 0;
    int top = 0;
    gtk_window_get_position(window->TopLevel(), &left, &top);
    // The position is the frame's (GTK's gravity is the north-west corner).
    int width = event->width + window->FFrame.Width();
    int height = event->height + window->FFrame.Height();
    if (window->FSizeRequestPending) {
      if (window->AwaitsRequestedSize(event->window, event->width, event->height)) {
        // Asked again before GTK's own handler sees the event, so that it
        // keeps the request instead of settling on this size.
        width = Width(window->FBounds);
        height = Height(window->FBounds);
        const auto [windowWidth, windowHeight] = window->WindowSize();
        gtk_window_resize(window->TopLevel(), windowWidth, windowHeight);
      } else {
        window->FSizeRequestPending = false;
      }
    }
    window->FBounds = {left, top, left + width, top + height};
    return 0;
  });
  return FALSE;
}

gboolean GtkToolkitWindow::OnWindowStateEvent(GtkWidget*, GdkEventWindowState* event,
                                              gpointer self) noexcept {
  auto* window = static_cast<GtkToolkitWindow*>(self);
  GuardCallback<int>("window state", 0, [&] {
    const GdkWindowState state = event->new_window_state;
    // Hiding withdraws the window; its state is kept for the next showing.
    if (window->FEmbedded || (state & GDK_WINDOW_STATE_WITHDRAWN) != 0) {
      return 0;
    }
    if (window->FSizeRequestPending && (state & kManagedSizeStates) != 0) {
      // The size the window manager gave is the one to report, even when
      // its configure event came before this one.
      window->FSizeRequestPending = false;
      const TBoundsRect bounds = window->FBounds;
      window->FBounds = {bounds.Left, bounds.Top,
                         bounds.Left + gdk_window_get_width(event->window) + window->FFrame.Width(),
                         bounds.Top + gdk_window_get_height(event->window) +
                             window->FFrame.Height()};
    }
    const bool iconified = (state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    if ((state & GDK_WINDOW_STATE_ICONIFIED) != 0) {
      window->FWindowState = TWindowState::Minimized;
    } else if ((state & GDK_WINDOW_STATE_MAXIMIZED) != 0) {
      window->FWindowState = TWindowState::Maximized;
    } else {
      window->FWindowState = TWindowState::Normal;
    }
    if ((event->changed_mask & GDK_WINDOW_STATE_ICONIFIED) == 0) {
      return 0;
    }
    // What the program asked for last is no command of the user's, however
    // many events the window manager sends on the way there; some window
    // managers also bounce the state once right after a change we asked
    // for, which no user could do that fast.
    if (iconified == window->FRequestedIconified ||
        g_get_monotonic_time() - window->FIconifyRequestTime < kWindowManagerSettleMicroseconds) {
      return 0;
    }
    window->FRequestedIconified = iconified;
    // The user did it, through the window manager or the task bar.
    window->FEvents.SysCommand(iconified ? TSysCommand::Minimize : TSysCommand::Restore);
    return 0;
  });
  return FALSE;
}

void GtkToolkitWindow::OnClientAllocate(GtkWidget*, GdkRectangle* allocation,
                                        gpointer self) noexcept {
  auto* window = static_cast<GtkToolkitWindow*>(self);
  GuardCallback<int>("window resize", 0, [&] {
    if (allocation->width == window->FReportedWidth &&
        allocation->height == window->FReportedHeight) {
      return 0;
    }
    window->FReportedWidth = allocation->width;
    window->FReportedHeight = allocation->height;
    window->FEvents.Resized();
    return 0;
  });
}

void GtkToolkitWindow::OnRealize(GtkWidget*, gpointer self) noexcept {
  GuardCallback<int>("window realize", 0, [&] {
    auto* window = static_cast<GtkToolkitWindow*>(self);
    window->ApplyCursor();
    window->ApplyDecorations();
    // The first frame is the answer to the size asked for.
    window->FFrameExpected = true;
    // The frame comes with the first showing; asked for now, it may be
    // known before, and the window shown at its size from the start.
    RequestFrameExtents(gtk_widget_get_window(window->FWindow));
    return 0;
  });
}

gboolean GtkToolkitWindow::OnPropertyNotify(GtkWidget*, GdkEventProperty* event,
                                            gpointer self) noexcept {
  GuardCallback<int>("window frame", 0, [&] {
    // A window manager that lets the window go (hidden) may take the
    // property away; the frame stays what it was for the next showing.
    if (!IsFrameExtentsChange(event) || event->state == GDK_PROPERTY_DELETE) {
      return 0;
    }
    auto* window = static_cast<GtkToolkitWindow*>(self);
    window->FrameChanged(ReadFrameExtents(event->window));
    return 0;
  });
  return FALSE;
}

void GtkToolkitWindow::FrameChanged(const TFrameExtents& frame) {
  if (frame == FFrame) {
    return;
  }
  const TFrameExtents old = FFrame;
  const TBoundsRect client = ClientRect();
  FFrame = frame;
  ApplyGeometryHints();
  const bool expected = std::exchange(FFrameExpected, false);
  if (FEmbedded) {
    return;
  }
  GdkWindow* gdkWindow = gtk_widget_get_window(FWindow);
  const bool managed = gdkWindow != nullptr && gtk_widget_get_mapped(FWindow) &&
                       (gdk_window_get_state(gdkWindow) & kManagedSizeStates) != 0;
  if (managed) {
    // The window manager sizes the window now; the size asked for is
    // brought back around the frame when it gives the size back.
    FFrameDeferred = FFrameDeferred || expected;
  }
  if (!managed && std::exchange(FFrameDeferred, false) && !FKeepClientSize) {
    // The window manager restores the size asked for before it framed the
    // window: the outer size asked for is made good now.
    int width = FNormalWidth;
    int height = FNormalHeight;
    ClampSize(width, height);
    FBounds.Right = FBounds.Left + width;
    FBounds.Bottom = FBounds.Top + height;
    ApplySize();
  } else if (managed || (!expected && !FSizeRequestPending)) {
    // The window manager changed the frame of its own accord (maximized,
    // restored) and sized the window itself: the outer size follows the
    // window's. A size still on its way is kept, around the new frame.
    FBounds.Right = FBounds.Left + gdk_window_get_width(gdkWindow) + frame.Width();
    FBounds.Bottom = FBounds.Top + gdk_window_get_height(gdkWindow) + frame.Height();
  } else {
    if (FKeepClientSize) {
      FBounds.Right += frame.Width() - old.Width();
      FBounds.Bottom += frame.Height() - old.Height();
    }
    // The window manager keeps the frame in its place: no move.
    int width = Width(FBounds);
    int height = Height(FBounds);
    ClampSize(width, height);
    FBounds.Right = FBounds.Left + width;
    FBounds.Bottom = FBounds.Top + height;
    ApplySize();
  }
  if (ClientRect() != client) {
    ReportClientSize();
  }
}

void GtkToolkitWindow::CreateTitleBar() {
  FHeaderBar = gtk_header_bar_new();
  gtk_style_context_add_class(gtk_widget_get_style_context(FHeaderBar), kStyledTitleBarClass);
  gtk_widget_show(FHeaderBar);
  FTitleBar = gtk_event_box_new();
  // Input only: the header bar paints the title bar.
  gtk_event_box_set_visible_window(GTK_EVENT_BOX(FTitleBar), FALSE);
  gtk_container_add(GTK_CONTAINER(FTitleBar), FHeaderBar);
  gtk_box_pack_start(GTK_BOX(FLayout), FTitleBar, FALSE, FALSE, 0);
  gtk_box_reorder_child(GTK_BOX(FLayout), FTitleBar, 0);
  g_signal_connect(FTitleBar, "button-press-event", G_CALLBACK(&GtkToolkitWindow::OnTitleBarPress),
                   this);
}

bool GtkToolkitWindow::ShowsTitleBar() const {
  return FTitleBar != nullptr && FShared->StyledTitleBars && FBorderStyle != TBorderStyle::None;
}

void GtkToolkitWindow::UpdateTitleBar() {
  if (FTitleBar == nullptr) {
    return;
  }
  const bool show = ShowsTitleBar();
  const TBoundsRect client = ClientRect();
  if (show) {
    gtk_header_bar_set_title(GTK_HEADER_BAR(FHeaderBar), gtk_window_get_title(TopLevel()));
    // The header bar makes the buttons for the window as it is now (a
    // window that is not resizable gets no maximize button); asked anew
    // after every change of the frame.
    gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(FHeaderBar), FALSE);
    gtk_header_bar_set_show_close_button(GTK_HEADER_BAR(FHeaderBar), TRUE);
  }
  gtk_widget_set_visible(FTitleBar, show);
  ApplyDecorations();
  if (!FEmbedded) {
    ApplyNaturalSize();
  }
  if (ClientRect() != client) {
    ReportClientSize();
  }
}

void GtkToolkitWindow::ApplyDecorations() {
  GdkWindow* gdkWindow = gtk_widget_get_window(FWindow);
  if (gdkWindow == nullptr || !gtk_window_get_decorated(TopLevel())) {
    // GTK tells an undecorated window's manager itself.
    return;
  }
  // Without its title bar the window manager keeps the border, by which
  // the window is resized.
  const GdkWMDecoration decorations = ShowsTitleBar() ? GDK_DECOR_BORDER : GDK_DECOR_ALL;
  GdkWMDecoration current{};
  if (!gdk_window_get_decorations(gdkWindow, &current) || current != decorations) {
    // The frame that comes of it keeps the window's outer size.
    FFrameExpected = true;
    gdk_window_set_decorations(gdkWindow, decorations);
  }
}

gboolean GtkToolkitWindow::OnTitleBarPress(GtkWidget*, GdkEventButton* event,
                                           gpointer self) noexcept {
  return GuardCallback<gboolean>("title bar", FALSE, [&]() -> gboolean {
    if (event->button != GDK_BUTTON_PRIMARY) {
      return FALSE;
    }
    GtkWindow* window = static_cast<GtkToolkitWindow*>(self)->TopLevel();
    if (event->type == GDK_2BUTTON_PRESS) {
      if (gtk_window_get_resizable(window)) {
        if (gtk_window_is_maximized(window)) {
          gtk_window_unmaximize(window);
        } else {
          gtk_window_maximize(window);
        }
      }
      return TRUE;
    }
    if (event->type != GDK_BUTTON_PRESS) {
      return FALSE;
    }
    // The window manager moves the window from here on; no loop runs here.
    gtk_window_begin_move_drag(window, static_cast<gint>(event->button),
                               static_cast<gint>(event->x_root), static_cast<gint>(event->y_root),
                               event->time);
    return TRUE;
  });
}

void GtkToolkitWindow::SetCaption(const std::string& caption) {
  const std::string text = ValidUtf8(caption);
  gtk_window_set_title(TopLevel(), text.c_str());
  if (FHeaderBar != nullptr) {
    gtk_header_bar_set_title(GTK_HEADER_BAR(FHeaderBar), text.c_str());
  }
}

std::string GtkToolkitWindow::Caption() const {
  const char* title = gtk_window_get_title(TopLevel());
  return title != nullptr ? title : "";
}

void GtkToolkitWindow::ClampSize(int& width, int& height) const {
  if (FMaxWidth > 0) {
    width = std::min(width, FMaxWidth);
  }
  if (FMaxHeight > 0) {
    height = std::min(height, FMaxHeight);
  }
  if (FMinWidth > 0) {
    width = std::max(width, FMinWidth);
  }
  if (FMinHeight > 0) {
    height = std::max(height, FMinHeight);
  }
  // GDK cannot make a window of no pixels; the frame is around them.
  width = std::clamp(width, FFrame.Width() + 1, kLargestSize + FFrame.Width());
  height = std::clamp(height, FFrame.Height() + 1, kLargestSize + FFrame.Height());
}

void GtkToolkitWindow::Place(int left, int top, int width, int height) {
  if (FEmbedded) {
    // The parent's layout decides an embedded window's place.
    return;
  }
  ClampSize(width, height);
  FBounds = {left, top, left + width, top + height};
  FNormalWidth = width;
  FNormalHeight = height;
  // Where the frame's corner goes, with GTK's north-west gravity.
  gtk_window_move(TopLevel(), left, top);
  ApplySize();
}

void GtkToolkitWindow::SetBounds(int left, int top, int width, int height) {
  FKeepClientSize = false;
  Place(left, top, width, height);
}

void GtkToolkitWindow::SetSize(int width, int height) {
  if (FEmbedded) {
    return;
  }
  FKeepClientSize = false;
  // Without a move the window manager places the window when it is shown.
  ClampSize(width, height);
  FBounds = {FBounds.Left, FBounds.Top, FBounds.Left + width, FBounds.Top + height};
  FNormalWidth = width;
  FNormalHeight = height;
  ApplySize();
}

std::pair<int, int> GtkToolkitWindow::WindowSize() const {
  return {std::max(Width(FBounds) - FFrame.Width(), 1),
          std::max(Height(FBounds) - FFrame.Height(), 1)};
}

void GtkToolkitWindow::ApplySize() {
  const auto [width, height] = WindowSize();
  FSizeRequestPending = true;
  // GTK sizes a window that is not resizable to the larger of its default
  // size and the size asked for; the default follows every request, so
  // that such a window can be made smaller too.
  gtk_window_set_default_size(TopLevel(), width, height);
  ApplyNaturalSize();
  gtk_window_resize(TopLevel(), width, height);
}

bool GtkToolkitWindow::AwaitsRequestedSize(GdkWindow* window, int width, int height) const {
  const auto [wantedWidth, wantedHeight] = WindowSize();
  if (width == wantedWidth && height == wantedHeight) {
    return false;
  }
  if ((gdk_window_get_state(window) & kManagedSizeStates) != 0) {
    return false;
  }
  // Nor does a size smaller than the window's contents need ever come.
  GtkRequisition minimum{};
  gtk_widget_get_preferred_size(FWindow, &minimum, nullptr);
  return wantedWidth >= minimum.width && wantedHeight >= minimum.height;
}

TBoundsRect GtkToolkitWindow::Bounds() const {
  if (FEmbedded) {
    // Where the parent's layout puts it, on the screen.
    const TBoundsRect client = ClientRect();
    GtkToolkitWindow* parent = EmbeddingParent();
    const TBoundsRect origin = parent != nullptr ? parent->Bounds() : TBoundsRect{0, 0, 0, 0};
    return {origin.Left, origin.Top, origin.Left + Width(client), origin.Top + Height(client)};
  }
  return FBounds;
}

void GtkToolkitWindow::SetClientSize(int width, int height) {
  Place(FBounds.Left, FBounds.Top, width + FFrame.Width(),
        height + BarsHeight(width) + FFrame.Height());
  FKeepClientSize = true;
}

void GtkToolkitWindow::ApplyNaturalSize() {
  const auto [width, height] = WindowSize();
  SetNaturalSize(FClient.Get(), width, std::max(height - BarsHeight(width), 0));
}

int GtkToolkitWindow::BarsHeight(int width) const {
  int height = 0;
  for (GtkWidget* bar : {FTitleBar, FMenuBar.Get()}) {
    if (bar == nullptr || gtk_widget_get_parent(bar) != FLayout || !gtk_widget_get_visible(bar)) {
      continue;
    }
    int minimum = 0;
    int natural = 0;
    gtk_widget_get_preferred_height_for_width(bar, width, &minimum, &natural);
    height += natural;
  }
  return height;
}

TBoundsRect GtkToolkitWindow::ClientRect() const {
  if (FEmbedded) {
    GtkToolkitWindow* parent = EmbeddingParent();
    if (parent == nullptr) {
      return {0, 0, 0, 0};
    }
    const TBoundsRect area = parent->ClientRect();
    return FillRect(parent->ClientArea(), Width(area), Height(area));
  }
  const auto [width, height] = WindowSize();
  return {0, 0, width, std::max(height - BarsHeight(width), 0)};
}

GtkToolkitWindow* GtkToolkitWindow::EmbeddingParent() const {
  GtkWidget* area = gtk_widget_get_parent(FClient.Get());
  return FEmbedded && area != nullptr ? FromClientArea(area) : nullptr;
}

void GtkToolkitWindow::ApplyStyles() {
  GtkWindow* window = TopLevel();
  const TBorderStyle border = FKind == TWindowKind::ShadowPopup ? TBorderStyle::None : FBorderStyle;
  gboolean decorated = TRUE;
  gboolean resizable = TRUE;
  GdkWindowTypeHint hint = GDK_WINDOW_TYPE_HINT_NORMAL;
  gboolean skipTaskbar = FALSE;
  switch (border) {
  case TBorderStyle::None:
    decorated = FALSE;
    break;
  case TBorderStyle::Single:
    resizable = FALSE;
    break;
  case TBorderStyle::Sizeable:
    break;
  case TBorderStyle::Dialog:
    resizable = FALSE;
    hint = GDK_WINDOW_TYPE_HINT_DIALOG;
    break;
  case TBorderStyle::ToolWindow:
    resizable = FALSE;
    hint = GDK_WINDOW_TYPE_HINT_UTILITY;
    skipTaskbar = TRUE;
    break;
  case TBorderStyle::SizeToolWin:
    hint = GDK_WINDOW_TYPE_HINT_UTILITY;
    skipTaskbar = TRUE;
    break;
  }
  if (gtk_widget_get_realized(FWindow)) {
    // Window managers frame the kinds of window differently (a dialog has
    // no resize handle, none has no frame): the frame that comes of it
    // keeps the window's outer size.
    FFrameExpected = true;
  }
  gtk_window_set_decorated(window, decorated);
  gtk_window_set_resizable(window, resizable);
  // Window managers read the type when they start managing the window; a
  // change while it is shown may only count from its next showing.
  gtk_window_set_type_hint(window, hint);
  gtk_window_set_skip_taskbar_hint(window, skipTaskbar);
  UpdateTitleBar();
  // The size stays; a fixed frame takes it as its only size.
  ApplySize();
}

void GtkToolkitWindow::SetBorderStyle(TBorderStyle style) {
  FBorderStyle = style;
  ApplyStyles();
}

void GtkToolkitWindow::RequestIconified(bool iconified) {
  if (iconified != FRequestedIconified)
    FIconifyRequestTime = g_get_monotonic_time();
  FRequestedIconified = iconified;
}

void GtkToolkitWindow::ApplyState() {
  GtkWindow* window = TopLevel();
  // Whatever the window manager reports on the way there is ours; an
  // iconified window is unmapped, so this must not depend on mapping.
  RequestIconified(FWindowState == TWindowState::Minimized);
  switch (FWindowState) {
  case TWindowState::Normal:
    gtk_window_deiconify(window);
    gtk_window_unmaximize(window);
    break;
  case TWindowState::Minimized:
    gtk_window_iconify(window);
    break;
  case TWindowState::Maximized:
    gtk_window_deiconify(window);
    gtk_window_maximize(window);
    break;
  }
}

void GtkToolkitWindow::SetWindowState(TWindowState state) {
  FWindowState = state;
  // A hidden window takes its state when it is shown; showing it now would
  // be a side effect nobody asked for.
  if (FEmbedded || !gtk_widget_get_visible(FWindow)) {
    return;
  }
  ApplyState();
}

void GtkToolkitWindow::SetStayOnTop(bool stayOnTop) {
  FStayOnTop = stayOnTop;
  if (!FEmbedded) {
    gtk_window_set_keep_above(TopLevel(), stayOnTop);
  }
}

void GtkToolkitWindow::ApplyGeometryHints() {
  GdkGeometry geometry{};
  int hints = 0;
  // The limits are of the outer size; the window manager applies them to
  // the window inside its frame.
  if (FMinWidth > 0 || FMinHeight > 0) {
    hints |= GDK_HINT_MIN_SIZE;
    geometry.min_width = std::max(FMinWidth - FFrame.Width(), 1);
    geometry.min_height = std::max(FMinHeight - FFrame.Height(), 1);
  }
  if (FMaxWidth > 0 || FMaxHeight > 0) {
    hints |= GDK_HINT_MAX_SIZE;
    geometry.max_width = FMaxWidth > 0 ? std::max(FMaxWidth - FFrame.Width(), 1) : kLargestSize;
    geometry.max_height = FMaxHeight > 0 ? std::max(FMaxHeight - FFrame.Height(), 1) : kLargestSize;
  }
  gtk_window_set_geometry_hints(TopLevel(), nullptr, hints != 0 ? &geometry : nullptr,
                                static_cast<GdkWindowHints>(hints));
}

void GtkToolkitWindow::SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) {
  FMinWidth = std::max(minWidth, 0);
  FMinHeight = std::max(minHeight, 0);
  FMaxWidth = std::max(maxWidth, 0);
  FMaxHeight = std::max(maxHeight, 0);
  ApplyGeometryHints();
  if (FEmbedded || FWindowState != TWindowState::Normal) {
    return;
  }
  // The current size obeys the new limits at once.
  Place(FBounds.Left, FBounds.Top, Width(FBounds), Height(FBounds));
}

void GtkToolkitWindow::MoveTo(int left, int top) {
  Place(left, top, Width(FBounds), Height(FBounds));
}

void GtkToolkitWindow::CenterOnDesktop() {
  if (FEmbedded) {
    return;
  }
  GdkDisplay* display = gtk_widget_get_display(FWindow);
  GdkRectangle desktop{0, 0, 0, 0};
  for (int i = 0; i < gdk_display_get_n_monitors(display); ++i) {
    GdkRectangle geometry{};
    gdk_monitor_get_geometry(gdk_display_get_monitor(display, i), &geometry);
    if (i == 0) {
      desktop = geometry;
    } else {
      gdk_rectangle_union(&desktop, &geometry, &desktop);
    }
  }
  MoveTo(desktop.x + (desktop.width - Width(FBounds)) / 2,
         desktop.y + (desktop.height - Height(FBounds)) / 2);
}

void GtkToolkitWindow::CenterOnScreen() {
  if (FEmbedded) {
    return;
  }
  GdkMonitor* monitor = PrimaryMonitor(gtk_widget_get_display(FWindow));
  if (monitor == nullptr) {
    return;
  }
  GdkRectangle work{};
  gdk_monitor_get_workarea(monitor, &work);
  MoveTo(work.x + (work.width - Width(FBounds)) / 2, work.y + (work.height - Height(FBounds)) / 2);
}

void GtkToolkitWindow::UpdateCss() {
  // One provider per window, for the screen, with rules for this window's
  // client area only: a provider on a widget's own style context would not
  // reach the controls inside it, which take the font from here.
  std::string css = "#" + FCssName + " { background-color: " + CssColor(FColor) + ";";
  if (!FFontFamily.empty()) {
    css += " font-family: " + CssString(FFontFamily) + ";";
  }
  if (FFontHeight > 0) {
    css += " font-size: " + std::to_string(FFontHeight) + "px;";
  }
  css += " }";
  GdkScreen* screen = gtk_widget_get_screen(FWindow);
  if (!FCss) {
    FCss = TGObjectPtr<GtkCssProvider>(gtk_css_provider_new());
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(FCss.Get()),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  }
  GError* error = nullptr;
  if (!gtk_css_provider_load_from_data(FCss.Get(), css.c_str(), -1, &error)) {
    std::fprintf(stderr, "tessera: window style: %s\n", error != nullptr ? error->message : "?");
    g_clear_error(&error);
  }
  gtk_widget_queue_draw(FClient.Get());
}

void GtkToolkitWindow::SetColor(TColor color) {
  FColor = color;
  UpdateCss();
}

void GtkToolkitWindow::ApplyCursor() {
  GdkWindow* gdkWindow = gtk_widget_get_window(FWindow);
  if (gdkWindow == nullptr) {
    return; // set when the window is realized
  }
  if (FCursor == TCursorKind::Default) {
    gdk_window_set_cursor(gdkWindow, nullptr);
    return;
  }
  GdkDisplay* display = gtk_widget_get_display(FWindow);
  // The arrow with a busy sign, where the cursor theme has it; the watch
  // otherwise.
  GdkCursor* cursor = gdk_cursor_new_from_name(display, "progress");
  if (cursor == nullptr) {
    cursor = gdk_cursor_new_for_display(display, GDK_WATCH);
  }
  gdk_window_set_cursor(gdkWindow, cursor);
  if (cursor != nullptr) {
    g_object_unref(cursor);
  }
}

void GtkToolkitWindow::SetCursor(TCursorKind cursor) {
  FCursor = cursor;
  ApplyCursor();
}

void GtkToolkitWindow::SetFont(const std::string& family, int heightPixels) {
  FFontFamily = family;
  FFontHeight = std::max(heightPixels, 0);
  UpdateCss();
}

void GtkToolkitWindow::SetCornerPreference(int /*preference*/) {
  // X11 window managers draw the frame and round its corners, or not, by
  // their own theme; no hint asks them for a kind of corner. Windows that
  // need a shape of their own take a region instead.
}

bool GtkToolkitWindow::SetRoundRectRegion(int right, int bottom, int ellipseWidth,
                                          int ellipseHeight) {
  cairo_region_t* region = NewRoundRectRegion(right, bottom, ellipseWidth, ellipseHeight);
  if (region == nullptr) {
    return false;
  }
  // The shape clips both what is drawn and where the pointer reaches the
  // window; GTK keeps it and applies it again whenever the window is
  // realized.
  gtk_widget_shape_combine_region(FWindow, region);
  cairo_region_destroy(region);
  return true;
}

void GtkToolkitWindow::Show() {
  if (FEmbedded) {
    gtk_widget_show(FClient.Get());
    QueueLayout(gtk_widget_get_parent(FClient.Get()));
    return;
  }
  if (gtk_widget_get_visible(FWindow)) {
    return;
  }
  // The state is asked for before mapping, so the window appears in it,
  // and a window that appears minimized was not minimized by the user.
  ApplyState();
  RequestIconified(FWindowState == TWindowState::Minimized);
  gtk_widget_show(FWindow);
}

void GtkToolkitWindow::Hide() {
  if (FEmbedded) {
    gtk_widget_hide(FClient.Get());
    QueueLayout(gtk_widget_get_parent(FClient.Get()));
    return;
  }
  gtk_widget_hide(FWindow);
}

bool GtkToolkitWindow::Visible() const {
  return gtk_widget_get_visible(FEmbedded ? FClient.Get() : FWindow);
}

void GtkToolkitWindow::BringToFront() {
  if (FEmbedded) {
    // The last child of a fixed is drawn last, over its siblings.
    GtkWidget* area = gtk_widget_get_parent(FClient.Get());
    g_object_ref(FClient.Get());
    gtk_container_remove(GTK_CONTAINER(area), FClient.Get());
    gtk_fixed_put(GTK_FIXED(area), FClient.Get(), 0, 0);
    g_object_unref(FClient.Get());
    return;
  }
  gtk_window_present(TopLevel());
}

void GtkToolkitWindow::SetFocus() {
  if (!FEmbedded) {
    gtk_window_present(TopLevel());
  }
  // The window itself takes no keys: its first control that does gets them,
  // unless the focus is already in the window.
  GtkWidget* toplevel = gtk_widget_get_toplevel(FClient.Get());
  GtkWidget* focus = GTK_IS_WINDOW(toplevel) ? gtk_window_get_focus(GTK_WINDOW(toplevel)) : nullptr;
  if (focus == nullptr || !gtk_widget_is_ancestor(focus, FClient.Get())) {
    gtk_widget_child_focus(FClient.Get(), GTK_DIR_TAB_FORWARD);
  }
}

void GtkToolkitWindow::Close() {
  if (!FEvents.CloseQuery()) {
    return;
  }
  const bool isMainWindow = FShared->MainWindow == this;
  if (FModal) {
    // ShowModal hides it once the run has ended.
    if (FModalResult == TModalResult::None) {
      FModalResult = TModalResult::Cancel;
    }
    if (FModalLoop != nullptr) {
      g_main_loop_quit(FModalLoop);
    }
  } else {
    Hide();
  }
  // The owner may free this object here; nothing below touches it.
  FEvents.Closed();
  if (isMainWindow) {
    RequestQuit();
  }
}

TModalResult GtkToolkitWindow::ShowModal() {
  if (FModal || FEmbedded) {
    return TModalResult::None;
  }
  // The window that had the focus gets it back afterwards.
  GtkWindow* previous = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item != nullptr; item = item->next) {
    auto* candidate = GTK_WINDOW(item->data);
    if (GTK_WIDGET(candidate) != FWindow && gtk_window_is_active(candidate)) {
      previous = candidate;
      g_object_ref(previous);
      break;
    }
  }
  g_list_free(toplevels);

  FModal = true;
  FModalResult = TModalResult::None;
  // A modal window takes GTK's grab: input to the application's other
  // windows is refused while it is shown.
  gtk_window_set_modal(TopLevel(), TRUE);
  Show();
  gtk_window_present(TopLevel());
  GMainLoop* loop = g_main_loop_new(nullptr, FALSE);
  FModalLoop = loop;
  if (FModalResult == TModalResult::None && RunModalLoop(loop) &&
      FModalResult == TModalResult::None) {
    // The application is ending; the loops outside see the request too.
    FModalResult = TModalResult::Cancel;
  }
  FModalLoop = nullptr;
  g_main_loop_unref(loop);
  const TModalResult result = FModalResult;
  FModal = false;
  gtk_window_set_modal(TopLevel(), FALSE);
  Hide();
  if (previous != nullptr) {
    if (gtk_widget_get_visible(GTK_WIDGET(previous))) {
      gtk_window_present(previous);
    }
    g_object_unref(previous);
  }
  return result;
}

void GtkToolkitWindow::EndModal(TModalResult result) {
  FModalResult = result;
  if (FModalLoop != nullptr && result != TModalResult::None) {
    g_main_loop_quit(FModalLoop);
  }
}

void GtkToolkitWindow::SetParent(ToolkitWindow* parent) {
  GtkWidget* client = FClient.Get();
  if (parent == nullptr) {
    if (!FEmbedded) {
      return;
    }
    GtkWidget* area = gtk_widget_get_parent(client);
    g_object_ref(client);
    gtk_container_remove(GTK_CONTAINER(area), client);
    SetFillParent(client, false);
    FEmbedded = false;
    QueueLayout(area);
    // Back in its own window, under its menu bar, and hidden until the
    // window is shown; the area is always shown inside it.
    gtk_box_pack_start(GTK_BOX(FLayout), client, TRUE, TRUE, 0);
    gtk_widget_show(client);
    g_object_unref(client);
    if (FStayOnTop) {
      gtk_window_set_keep_above(TopLevel(), TRUE);
    }
    return;
  }
  GtkWidget* parentArea = static_cast<GtkToolkitWindow*>(parent)->ClientArea();
  // A window cannot hold itself, or a window that holds it.
  if (parentArea == client || gtk_widget_is_ancestor(parentArea, client)) {
    return;
  }
  g_object_ref(client);
  if (FEmbedded) {
    GtkWidget* oldArea = gtk_widget_get_parent(client);
    gtk_container_remove(GTK_CONTAINER(oldArea), client);
    QueueLayout(oldArea);
  } else {
    // An embedded window keeps whether it is shown; a child is never
    // minimized or maximized, and its state comes back when the window is
    // top-level again and shown.
    const bool visible = gtk_widget_get_visible(FWindow);
    gtk_widget_hide(FWindow);
    gtk_container_remove(GTK_CONTAINER(FLayout), client);
    gtk_widget_set_visible(client, visible);
  }
  FEmbedded = true;
  SetFillParent(client, true);
  gtk_fixed_put(GTK_FIXED(parentArea), client, 0, 0);
  g_object_unref(client);
  QueueLayout(parentArea);
}

void GtkToolkitWindow::SetMenu(ToolkitMenu* menuBar) {
  GtkWidget* bar = nullptr;
  if (menuBar != nullptr) {
    auto* menu = dynamic_cast<GtkToolkitMenu*>(menuBar);
    if (menu == nullptr || !menu->IsMenuBar()) {
      throw Exception("a window shows a menu bar only");
    }
    bar = menu->Widget();
  }
  if (bar == FMenuBar.Get() && (bar == nullptr || gtk_widget_get_parent(bar) == FLayout)) {
    return;
  }
  const TBoundsRect before = ClientRect();
  ReleaseMenuBar();
  if (bar != nullptr) {
    // One bar shows in one window: another window showing it loses it.
    if (GtkWidget* other = gtk_widget_get_parent(bar)) {
      gtk_container_remove(GTK_CONTAINER(other), bar);
    }
    FMenuBar = TGObjectPtr<GtkWidget>(GTK_WIDGET(g_object_ref(bar)));
    gtk_box_pack_start(GTK_BOX(FLayout), bar, FALSE, FALSE, 0);
    // Below the styled title bar, above the client area.
    gtk_box_reorder_child(GTK_BOX(FLayout), bar, FTitleBar != nullptr ? 1 : 0);
    // An empty bar takes no room; its first item makes it grow.
    g_signal_connect_after(bar, "insert", G_CALLBACK(&GtkToolkitWindow::OnMenuBarInsert), this);
    g_signal_connect_after(bar, "remove", G_CALLBACK(&GtkToolkitWindow::OnMenuBarRemove), this);
  }
  // The window keeps its size; the client area gives the bar its room.
  ApplyNaturalSize();
  if (ClientRect() != before) {
    ReportClientSize();
  }
}

void GtkToolkitWindow::ReleaseMenuBar() {
  GtkWidget* bar = FMenuBar.Get();
  if (bar == nullptr) {
    return;
  }
  g_signal_handlers_disconnect_by_data(bar, this);
  // The bar belongs to its menu, which may show it again elsewhere.
  if (gtk_widget_get_parent(bar) == FLayout) {
    gtk_container_remove(GTK_CONTAINER(FLayout), bar);
  }
  FMenuBar.Reset();
}

void GtkToolkitWindow::OnMenuBarInsert(GtkMenuShell*, GtkWidget*, gint, gpointer self) noexcept {
  GuardCallback<int>("menu bar change", 0, [&] {
    static_cast<GtkToolkitWindow*>(self)->ApplyNaturalSize();
    return 0;
  });
}

void GtkToolkitWindow::OnMenuBarRemove(GtkContainer*, GtkWidget*, gpointer self) noexcept {
  GuardCallback<int>("menu bar change", 0, [&] {
    static_cast<GtkToolkitWindow*>(self)->ApplyNaturalSize();
    return 0;
  });
}

void GtkToolkitWindow::ReportClientSize() {
  if (!FComplete) {
    // The owner is still making the window; it reads the size when it is done.
    return;
  }
  const TBoundsRect client = ClientRect();
  // GTK's layout to come gives the area this size: no second report then.
  FReportedWidth = Width(client);
  FReportedHeight = Height(client);
  FEvents.Resized();
}

} // namespace tessera::gtk
