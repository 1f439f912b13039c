#include "forms/edge_installer_form.h"

namespace tessera {

TEdgeInstallerForm::TEdgeInstallerForm(Toolkit& toolkit)
    : TForm(toolkit, TWindowKind::ShadowPopup) {
  ToolkitWindow& window = Window();
  window.SetCaption("EdgeInstallerForm");
  window.SetClientSize(kClientSize, kClientSize);
  window.SetColor(kColorHotLight);
  window.SetCursor(TCursorKind::AppStarting);
  window.CenterOnScreen();
  FActivityIndicator = toolkit.CreateActivityIndicator(window, 9, 8);
  FActivityIndicator->SetColor(TActivityIndicatorColor::White);
  FActivityIndicator->SetIndicatorSize(TActivityIndicatorSize::XLarge);
  FActivityIndicator->SetAnimate(true);
  FormCreate();
}

void TEdgeInstallerForm::FormCreate() {
  Window().SetBorderStyle(TBorderStyle::None);
  const TBoundsRect outer = Window().Bounds();
  // The toolkit drops a region it could not apply.
  Window().SetRoundRectRegion(outer.Right - outer.Left + 1, outer.Bottom - outer.Top + 1, 4, 4);
}

void TEdgeInstallerForm::SetFormColor(TColor color) {
  Window().SetColor(color);
}

void TEdgeInstallerForm::SetIndicatorColor(std::int32_t color) {
  FActivityIndicator->SetColor(color == 0 ? TActivityIndicatorColor::Black
                                          : TActivityIndicatorColor::White);
}

void TEdgeInstallerForm::SetIndicatorType(std::int32_t type) {
  switch (type) {
  case 1:
    FActivityIndicator->SetIndicatorType(TActivityIndicatorType::RotatingSector);
    break;
  case 2:
    FActivityIndicator->SetIndicatorType(TActivityIndicatorType::SectorRing);
    break;
  default:
    FActivityIndicator->SetIndicatorType(TActivityIndicatorType::MomentumDots);
    break;
  }
}

void TEdgeInstallerForm::FormCloseQuery(bool& canClose) {
  // Closing it would not stop the installer; the window ends with the flow.
  canClose = false;
}

} // namespace tessera
