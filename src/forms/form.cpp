#include "forms/form.h"

namespace tessera {

TToolkitForm::TToolkitForm(Toolkit& toolkit, TWindowKind kind)
    : FToolkit(toolkit), FWindow(toolkit.CreateForm(*this, kind)) {}

TToolkitForm::~TToolkitForm() = default;

void TToolkitForm::SetModalResult(TModalResult result) {
  FModalResult = result;
  if (result != TModalResult::None)
    FWindow->EndModal(result);
}

void TToolkitForm::FormCloseQuery(bool&) {}
void TToolkitForm::FormClose() {}
void TToolkitForm::FormResize() {}
void TToolkitForm::FormHandleCreated(TNativeWindow) {}
void TToolkitForm::FormSysCommand(TSysCommand) {}

bool TToolkitForm::CloseQuery() {
  bool canClose = true;
  FormCloseQuery(canClose);
  return canClose;
}

void TToolkitForm::Closed() {
  if (FModalResult == TModalResult::None)
    FModalResult = TModalResult::Cancel;
  FormClose();
}

void TToolkitForm::Resized() {
  // The toolkit may report sizes while it is still making the window.
  if (FWindow)
    FormResize();
}

void TToolkitForm::HandleCreated(TNativeWindow handle) {
  // The first creation happens inside the constructor, before a derived
  // form exists; derived forms handle that one in their constructors.
  if (FWindow)
    FormHandleCreated(handle);
}

void TToolkitForm::SysCommand(TSysCommand command) {
  FormSysCommand(command);
}

TForm::TForm(Toolkit& toolkit, TWindowKind kind) : TToolkitForm(toolkit, kind) {
  UpdateRoundedCorners();
}

void TForm::SetRoundedCorners(TRoundedCornerType value) {
  FRoundedCorners = value;
  UpdateRoundedCorners();
}

int TForm::GetCornerPreference() const {
  const TRoundedCornerType type =
      FRoundedCorners == TRoundedCornerType::rcDefault ? DefaultRoundedCorners : FRoundedCorners;
  switch (type) {
  case TRoundedCornerType::rcOff:
    return 1;
  case TRoundedCornerType::rcOn:
    return 2;
  case TRoundedCornerType::rcSmall:
    return 3;
  case TRoundedCornerType::rcDefault:
    break;
  }
  return 0;
}

void TForm::FormHandleCreated(TNativeWindow) {
  UpdateRoundedCorners();
}

void TForm::UpdateRoundedCorners() {
  if (Handle() != 0)
    Window().SetCornerPreference(GetCornerPreference());
}

} // namespace tessera
