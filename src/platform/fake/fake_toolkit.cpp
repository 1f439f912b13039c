#include "platform/fake/fake_toolkit.h"

#include "platform/api/stored_styles.h"

#include <algorithm>
#include <stdexcept>

namespace tessera {

FakeToolkitWindow::FakeToolkitWindow(FakeToolkit& toolkit, ToolkitWindowEvents& events,
                                     TWindowKind kind, TNativeWindow handle)
    : Kind(kind), FToolkit(toolkit), FEvents(events), FHandle(handle) {}

FakeToolkitWindow::~FakeToolkitWindow() {
  FToolkit.Forget(this);
}

void FakeToolkitWindow::SetBounds(int left, int top, int width, int height) {
  // Limits clamp the outer size as the window manager would.
  if (MaxWidth > 0)
    width = std::min(width, MaxWidth);
  if (MaxHeight > 0)
    height = std::min(height, MaxHeight);
  width = std::max(width, MinWidth);
  height = std::max(height, MinHeight);
  FBounds = {left, top, left + width, top + height};
  FEvents.Resized();
}

void FakeToolkitWindow::SetClientSize(int width, int height) {
  SetBounds(FBounds.Left, FBounds.Top, width, height);
}

TBoundsRect FakeToolkitWindow::ClientRect() const {
  // The fake draws no frame: the client area is the whole window.
  return {0, 0, FBounds.Right - FBounds.Left, FBounds.Bottom - FBounds.Top};
}

void FakeToolkitWindow::SetSizeLimits(int minWidth, int minHeight, int maxWidth, int maxHeight) {
  MinWidth = minWidth;
  MinHeight = minHeight;
  MaxWidth = maxWidth;
  MaxHeight = maxHeight;
}

void FakeToolkitWindow::SetFont(const std::string& family, int heightPixels) {
  FontFamily = family;
  FontHeight = heightPixels;
}

bool FakeToolkitWindow::SetRoundRectRegion(int right, int bottom, int ellipseWidth,
                                           int ellipseHeight) {
  if (RegionRefused)
    return false;
  Region = "0,0," + std::to_string(right) + "," + std::to_string(bottom) + " " +
           std::to_string(ellipseWidth) + "x" + std::to_string(ellipseHeight);
  return true;
}

void FakeToolkitWindow::SetFocus() {
  FToolkit.Active = FHandle;
}

void FakeToolkitWindow::Close() {
  ++CloseQueries;
  FToolkit.Events.push_back("CloseQuery " + FCaption);
  if (!FEvents.CloseQuery())
    return;
  FVisible = false;
  Closed = true;
  FToolkit.Events.push_back("Closed " + FCaption);
  FEvents.Closed();
  if (FInModal && FModalResult == TModalResult::None)
    FModalResult = TModalResult::Cancel;
  if (FToolkit.MainWindow == this)
    FToolkit.QuitRequested = true;
}

TModalResult FakeToolkitWindow::ShowModal() {
  FVisible = true;
  FInModal = true;
  FModalResult = TModalResult::None;
  FToolkit.Events.push_back("ShowModal " + FCaption);
  if (DuringModal)
    DuringModal(*this);
  else if (FToolkit.OnShowModal)
    FToolkit.OnShowModal(*this);
  FInModal = false;
  FVisible = false;
  // A modal run the test left open ends as if the user closed the window.
  return FModalResult == TModalResult::None ? TModalResult::Cancel : FModalResult;
}

void FakeToolkitWindow::EndModal(TModalResult result) {
  FModalResult = result;
}

void FakeToolkitWindow::SetParent(ToolkitWindow* parent) {
  Parent = parent;
}

void FakePasswordEdit::Type(const std::string& text) {
  for (const char c : text) {
    FText.push_back(c);
    ReleaseKey(static_cast<std::uint32_t>(static_cast<unsigned char>(c)));
  }
}

std::unique_ptr<ToolkitWindow> FakeToolkit::CreateForm(ToolkitWindowEvents& events,
                                                       TWindowKind kind) {
  auto window = std::make_unique<FakeToolkitWindow>(*this, events, kind, FNextHandle);
  FNextHandle += 0x10;
  Windows.push_back(window.get());
  events.HandleCreated(window->Handle());
  return window;
}

std::unique_ptr<ToolkitProgressBar> FakeToolkit::CreateMarqueeProgressBar(ToolkitWindow&,
                                                                          int height) {
  auto bar = std::make_unique<FakeProgressBar>(height);
  LastProgressBar = bar.get();
  return bar;
}

std::unique_ptr<ToolkitActivityIndicator> FakeToolkit::CreateActivityIndicator(ToolkitWindow&,
                                                                               int left, int top) {
  auto indicator = std::make_unique<FakeActivityIndicator>(left, top);
  LastActivityIndicator = indicator.get();
  return indicator;
}

std::unique_ptr<ToolkitPasswordEdit> FakeToolkit::CreatePasswordEdit(ToolkitWindow&,
                                                                     const TBoundsRect& bounds,
                                                                     char passwordChar,
                                                                     const std::string& imageName) {
  auto edit = std::make_unique<FakePasswordEdit>(bounds, passwordChar, imageName);
  LastPasswordEdit = edit.get();
  return edit;
}

TModalResult FakeToolkit::MessageDialog(const TMessageDialogRequest& request) {
  Dialogs.push_back(request);
  Events.push_back("MessageDialog " + request.Text);
  if (OnDialog)
    OnDialog(request);
  if (DialogAnswers.empty())
    return TModalResult::OK;
  const TModalResult answer = DialogAnswers.front();
  DialogAnswers.pop_front();
  return answer;
}

void FakeToolkit::Forget(FakeToolkitWindow* window) {
  Windows.erase(std::remove(Windows.begin(), Windows.end(), window), Windows.end());
  if (MainWindow == window)
    MainWindow = nullptr;
}

std::string FakeMenuItem::ImageBytes() const {
  const auto* image = dynamic_cast<const FakeImage*>(Image.get());
  return image != nullptr ? image->Bytes : std::string();
}

ToolkitMenuItem& FakeMenu::AddItem(ToolkitMenuItem* parent) {
  auto& list = parent != nullptr ? static_cast<FakeMenuItem*>(parent)->Items : Items;
  list.push_back(std::make_unique<FakeMenuItem>());
  return *list.back();
}

namespace {

void DescribeItems(const std::vector<std::unique_ptr<FakeMenuItem>>& items, int level,
                   std::string& out) {
  for (const auto& item : items) {
    out += std::string(static_cast<size_t>(level) * 2, ' ') + item->Caption();
    if (!item->Enabled())
      out += " [off]";
    if (item->Image)
      out += " <" + item->ImageBytes() + ">";
    out += '\n';
    DescribeItems(item->Items, level + 1, out);
  }
}

} // namespace

std::string FakeMenu::Describe() const {
  std::string out;
  DescribeItems(Items, 0, out);
  return out;
}

std::unique_ptr<ToolkitMenu> FakeToolkit::CreateMenuBar() {
  return std::make_unique<FakeMenu>(true);
}

std::unique_ptr<ToolkitMenu> FakeToolkit::CreatePopupMenu() {
  return std::make_unique<FakeMenu>(false);
}

std::unique_ptr<ToolkitTrayIcon> FakeToolkit::CreateTrayIcon() {
  auto icon = std::make_unique<FakeTrayIcon>();
  LastTrayIcon = icon.get();
  return icon;
}

std::shared_ptr<const ToolkitImage> FakeToolkit::DecodeImage(const std::string& bytes) {
  if (bytes.empty() || bytes.rfind("not an image", 0) == 0)
    return nullptr;
  return std::make_shared<FakeImage>(bytes);
}

std::vector<std::string> FakeToolkit::StyleNames() const {
  return AllStyleNames();
}

bool FakeToolkit::SetStyle(const std::string& name) {
  std::string active;
  if (IsSystemStyleName(name)) {
    active = std::string(kSystemStyleName);
  } else if (const TStoredStyle* style = FindStoredStyle(name)) {
    active = std::string(style->Name);
  } else {
    return false;
  }
  if (RefuseStyles) {
    return false;
  }
  FActiveStyle = active;
  StyleApplications.push_back(active);
  Events.push_back("Style " + active);
  return true;
}

bool FakeFileDialog::Execute(TNativeWindow owner) {
  Owners.push_back(owner);
  FileNamesShown.push_back(FFileName);
  if (WhileShown) {
    // A copy: whatever runs may replace the callback, and the dialog must
    // still be here when it returns.
    const std::function<void()> whileShown = WhileShown;
    whileShown();
  }
  std::optional<std::string> answer;
  if (!Answers.empty()) {
    answer = std::move(Answers.front());
    Answers.pop_front();
  }
  if (!answer)
    return false;
  FFileName = *answer;
  return true;
}

void FakeNotificationCenter::Present(const std::string& name, const std::string& heading,
                                     const std::string& text, TPresented done) {
  std::function<void()> answer;
  if (!IsAvailable) {
    answer = [done] { done(TNotificationOutcome::NoService, ""); };
  } else if (!PresentError.empty()) {
    answer = [done, reason = PresentError] { done(TNotificationOutcome::Refused, reason); };
  } else {
    Presented.push_back({name, heading, text});
    answer = [done] { done(TNotificationOutcome::Presented, ""); };
  }
  if (AnswerLater)
    FHeld.push_back(std::move(answer));
  else
    answer();
}

bool FakeNotificationCenter::AnswerHeld() {
  if (FHeld.empty())
    return false;
  const std::function<void()> answer = std::move(FHeld.front());
  FHeld.pop_front();
  answer();
  return true;
}

std::unique_ptr<ToolkitFileDialog> FakeToolkit::CreateFileDialog(TFileDialogKind kind) {
  auto dialog = std::make_unique<FakeFileDialog>(kind);
  FileDialogs.push_back(dialog.get());
  return dialog;
}

std::unique_ptr<ToolkitNotificationCenter> FakeToolkit::CreateNotificationCenter() {
  auto center = std::make_unique<FakeNotificationCenter>();
  NotificationCenters.push_back(center.get());
  return center;
}

} // namespace tessera
