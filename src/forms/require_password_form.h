#pragma once

#include "forms/form.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tessera {

// The start-up password prompt: one password box that confirms the window
// the moment it holds exactly the expected password. No button, no message
// for a wrong entry, no limit on attempts.
class TRequirePasswordForm : public TForm {
public:
  explicit TRequirePasswordForm(Toolkit& toolkit);

  void SetPassword(const std::string& password) { FPassword = password; }
  // Shows the prompt modally with the focus in the box; true when the
  // expected password was typed, false when the window was closed.
  bool Execute();

  ToolkitPasswordEdit& PasswordEdit() { return *FPasswordEdit; }

private:
  void FormCreate();
  void PasswordEditKeyUp(std::uint32_t key);

  std::unique_ptr<ToolkitPasswordEdit> FPasswordEdit;
  std::string FPassword;
};

} // namespace tessera
