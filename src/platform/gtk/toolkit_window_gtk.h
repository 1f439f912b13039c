#pragma once

#include "platform/api/toolkit.h"
#include "platform/gtk/gobject_ptr.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>

namespace tessera::gtk {

class GtkToolkitWindow;

// What the toolkit and all its windows share.
struct TToolkitShared {
  GtkToolkitWindow* MainWindow = nullptr;
};

// A toolkit window: a GtkWindow holding a vertical box with the menu bar,
// when the window has one, above the client area (see client_area.h), the
// handle the rest of the system gets. Embedded in another window, the
// client area moves into the other's client area and the GtkWindow stays
// hidden.
//
// Geometry: on X11 the frame belongs to the window manager and is unknown
// until it decorates the window, so the outer size is the GtkWindow's own
// size, the same as the client area's. Bounds reports what was last asked
// for until the window system reports otherwise, because GTK applies sizes
// and positions asynchronously, after a round trip to the X server.
class GtkToolkitWindow final : public ToolkitWindow {
public:
  GtkToolkitWindow(ToolkitWindowEvents& events, TWindowKind kind,
                   std::shared_ptr<TToolkitShared> shared);
  ~GtkToolkitWindow() override;
  GtkToolkitWindow(const GtkToolkitWindow&) = delete;
  GtkToolkitWindow& operator=(const GtkToolkitWindow&) = delete;

  // Tells the owner about the client area; called once the object is
  // complete, so the owner may already use it.
  void NotifyHandleCreated();

  GtkWidget* ClientArea() const { return FClient.Get(); }
  GtkWindow* TopLevel() const { return GTK_WINDOW(FWindow); }
  // The window a client area, or a top-level window, belongs to, or null.
  static GtkToolkitWindow* FromClientArea(GtkWidget* area);
  static GtkToolkitWindow* FromTopLevel(GtkWindow* window);

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
  TWindowState WindowState() const override { return FWindowState; }
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

private:
  static gboolean OnDeleteEvent(GtkWidget*, GdkEvent*, gpointer self) noexcept;
  static gboolean OnConfigureEvent(GtkWidget*, GdkEventConfigure* event, gpointer self) noexcept;
  static gboolean OnWindowStateEvent(GtkWidget*, GdkEventWindowState* event,
                                     gpointer self) noexcept;
  static void OnClientAllocate(GtkWidget*, GdkRectangle* allocation, gpointer self) noexcept;
  static void OnRealize(GtkWidget*, gpointer self) noexcept;
  // Items come and go on the menu bar shown: the client area asks for what
  // the bar leaves, so that the window keeps its size.
  static void OnMenuBarInsert(GtkMenuShell*, GtkWidget*, gint, gpointer self) noexcept;
  static void OnMenuBarRemove(GtkContainer*, GtkWidget*, gpointer self) noexcept;

  void ApplyStyles();
  void ApplySize();
  // Whether a configure event of `width` x `height` leaves the size last
  // asked for still to come (see FSizeRequestPending).
  bool AwaitsRequestedSize(GdkWindow* window, int width, int height) const;
  // The client area asks for the window's size less the menu bar's.
  void ApplyNaturalSize();
  void ApplyGeometryHints();
  void ApplyState();
  void RequestIconified(bool iconified);
  void ApplyCursor();
  void UpdateCss();
  void ClampSize(int& width, int& height) const;
  void MoveTo(int left, int top);
  // The height the menu bar takes from a window `width` wide; 0 without one.
  int MenuBarHeight(int width) const;
  // Reports a change of the client area's size the window knows before
  // GTK lays it out again.
  void ReportClientSize();
  // Takes the menu bar out of the window and lets it go.
  void ReleaseMenuBar();
  // The window's parent while it is embedded.
  GtkToolkitWindow* EmbeddingParent() const;

  ToolkitWindowEvents& FEvents;
  const TWindowKind FKind;
  std::shared_ptr<TToolkitShared> FShared;
  // Toplevel windows belong to GTK's list of toplevels; destroyed by us.
  GtkWidget* FWindow = nullptr;
  // The window's child: the menu bar, then the client area.
  GtkWidget* FLayout = nullptr;
  // Our own reference: the area survives moves between containers.
  TGObjectPtr<GtkWidget> FClient;
  // The bar shown, held while it is: a menu freed first leaves it empty and
  // out of the window, not dangling.
  TGObjectPtr<GtkWidget> FMenuBar;
  TGObjectPtr<GtkCssProvider> FCss;
  std::string FCssName;

  TBoundsRect FBounds{0, 0, 0, 0};
  // The size last asked for has not been seen in a configure event yet.
  // GTK takes the next configure event as the window manager's answer to
  // its latest request, but a window manager sends more than one per
  // request (the real one and its own notices), so a notice that was late
  // on a busy machine stands for the answer: GTK then settles on that old
  // size, and a window that is not resizable even makes it its only size.
  // Until the size shows, every other size reported asks for it again.
  bool FSizeRequestPending = false;
  TBorderStyle FBorderStyle = TBorderStyle::Sizeable;
  // The state to take when shown; the window's own state while visible.
  TWindowState FWindowState = TWindowState::Normal;
  // Whether the window was last meant to be iconified, by our request or
  // by the user's: an event that agrees with it is not the user's command.
  bool FRequestedIconified = false;
  // When the program last changed FRequestedIconified (monotonic, µs).
  gint64 FIconifyRequestTime = 0;
  bool FStayOnTop = false;
  bool FEmbedded = false;
  int FMinWidth = 0;
  int FMinHeight = 0;
  int FMaxWidth = 0;
  int FMaxHeight = 0;
  TColor FColor;
  TCursorKind FCursor = TCursorKind::Default;
  std::string FFontFamily;
  int FFontHeight = 0;
  int FReportedWidth = -1;
  int FReportedHeight = -1;
  bool FModal = false;
  TModalResult FModalResult = TModalResult::None;
  GMainLoop* FModalLoop = nullptr;
};

} // namespace tessera::gtk
