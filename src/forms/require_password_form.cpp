#include "forms/require_password_form.h"

namespace tessera {

TRequirePasswordForm::TRequirePasswordForm(Toolkit& toolkit) : TForm(toolkit) {
  ToolkitWindow& window = Window();
  window.SetBorderStyle(TBorderStyle::Dialog);
  window.SetCaption("[App Name]");
  window.SetClientSize(308, 71);
  window.SetFont("Tahoma", 11);
  window.CenterOnScreen();
  FPasswordEdit = toolkit.CreatePasswordEdit(window, {24, 24, 24 + 257, 24 + 21}, '*', "key");
  FPasswordEdit->OnKeyUp = [this](std::uint32_t key) { PasswordEditKeyUp(key); };
  FormCreate();
}

void TRequirePasswordForm::FormCreate() {
  FPassword.clear();
}

void TRequirePasswordForm::PasswordEditKeyUp(std::uint32_t) {
  // Only a key release checks: text pasted with the mouse waits for the
  // next key.
  if (FPasswordEdit->Text() == FPassword)
    SetModalResult(TModalResult::OK);
}

bool TRequirePasswordForm::Execute() {
  FPasswordEdit->SetFocus();
  return ShowModal() == TModalResult::OK;
}

} // namespace tessera
