#pragma once

#include "platform/api/toolkit.h"
#include "platform/gtk/frame_extents_x11.h"
#include "platform/gtk/gobject_ptr.h"

#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tessera::gtk {

class GtkToolkitWindow;

// What the toolkit and all its windows share.
struct TToolkitShared {
  GtkToolkitWindow* MainWindow = nullptr;
  // Every window of the toolkit, so that a change of style reaches them.
  std::vector<GtkToolkitWindow*> Windows;
  // A stored style is active: framed windows draw their own title bar in
  // its colours instead of the window manager's.
  bool StyledTitleBars = false;
};

// A toolkit window: a GtkWindow holding a vertical box with the styled
// title bar, while a stored style is active, and the menu bar, when the
// window has one, above the client area (see client_area.h), the handle the
// rest of the system gets. Embedded in another window, the client area
// moves into the other's client area and the GtkWindow stays hidden.
//
// Geometry: bounds are the outer ones, the window manager's frame included,
// as on Windows. On X11 the frame belongs to the window manager, which
// announces its size (_NET_FRAME_EXTENTS) after a round trip, before or
// after it maps the window; until then the frame counts as none. When it
// arrives, the window keeps the outer size last asked for (the client area
// gives the frame its room), or its client size when that was what was
// asked for last. Bounds reports what was last asked for until the window
// system reports otherwise, because GTK applies sizes and positions
// asynchronously, after a round trip to the X server.
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

  // Shows or hides the styled title bar as the toolkit's style asks.
  void UpdateTitleBar();

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
  static gboolean OnPropertyNotify(GtkWidget*, GdkEventProperty* event, gpointer self) noexcept;
  // The styled title bar moves the window when dragged and maximizes it on
  // a double click, as a window manager's title bar does.
  static gboolean OnTitleBarPress(GtkWidget*, GdkEventButton* event, gpointer self) noexcept;
  // Items come and go on the menu bar shown: the client area asks for what
  // the bar leaves, so that the window keeps its size.
  static void OnMenuBarInsert(GtkMenuShell*, GtkWidget*, gint, gpointer self) noexcept;
  static void OnMenuBarRemove(GtkContainer*, GtkWidget*, gpointer self) noexcept;

  void CreateTitleBar();
  bool ShowsTitleBar() const;
  // Tells the window manager which decorations to draw: all of them, only
  // the border around the styled title bar, or none.
  void ApplyDecorations();
  void ApplyStyles();
  // Sets the outer bounds, within the size limits, keeping what the owner
  // asked for last (the outer or the client size).
  void Place(int left, int top, int width, int height);
  // The window manager announced a new frame.
  void FrameChanged(const TFrameExtents& frame);
  // The size of the GtkWindow itself: the outer size less the frame.
  std::pair<int, int> WindowSize() const;
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
  // The height the styled title bar and the menu bar take from a window
  // `width` wide; 0 without them.
  int BarsHeight(int width) const;
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
  // The window's child: the styled title bar, the menu bar, then the client
  // area.
  GtkWidget* FLayout = nullptr;
  // The styled title bar: an event box (it takes the clicks that move the
  // window) around a header bar with the caption and the window's buttons.
  // Both belong to the layout; null for small pop-ups, which have no frame.
  GtkWidget* FTitleBar = nullptr;
  GtkWidget* FHeaderBar = nullptr;
  // Our own reference: the area survives moves between containers.
  TGObjectPtr<GtkWidget> FClient;
  // The bar shown, held while it is: a menu freed first leaves it empty and
  // out of the window, not dangling.
  TGObjectPtr<GtkWidget> FMenuBar;
  TGObjectPtr<GtkCssProvider> FCss;
  std::string FCssName;

  // The outer bounds.
  TBoundsRect FBounds{0, 0, 0, 0};
  // The window manager's frame, as it announced it last.
  TFrameExtents FFrame;
  // The owner asked for a client size last: a new frame grows the window
  // around the client area instead of taking its room from it.
  bool FKeepClientSize = false;
  // The next frame announced comes of what the window asked for (its first
  // showing, other decorations): the size asked for is kept around it.
  // Other frames are the window manager's own (maximized, restored), with
  // a size it chose: the bounds follow that size.
  bool FFrameExpected = false;
  // Such a frame came while the window manager sized the window
  // (maximized): the size asked for last, FNormalWidth x FNormalHeight
  // (outer), is made good when it gives the window its own size back.
  bool FFrameDeferred = false;
  int FNormalWidth = 0;
  int FNormalHeight = 0;
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
  // The owner has been told of the window: it hears of changes from then on.
  bool FComplete = false;
  bool FModal = false;
  TModalResult FModalResult = TModalResult::None;
  GMainLoop* FModalLoop = nullptr;
};

} // namespace tessera::gtk
