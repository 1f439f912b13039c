#pragma once

#include "platform/api/toolkit.h"

#include <memory>
#include <string>

namespace tessera {

// A form on a toolkit window: owns the window and turns the toolkit's
// notifications into the form's overridable handlers. Derived classes build
// their controls in their constructors, after this base made the window.
class TToolkitForm : public ToolkitWindowEvents {
public:
  TToolkitForm(Toolkit& toolkit, TWindowKind kind = TWindowKind::Normal);
  ~TToolkitForm() override;
  TToolkitForm(const TToolkitForm&) = delete;
  TToolkitForm& operator=(const TToolkitForm&) = delete;

  ToolkitWindow& Window() { return *FWindow; }
  const ToolkitWindow& Window() const { return *FWindow; }
  Toolkit& GetToolkit() { return FToolkit; }
  TNativeWindow Handle() const { return FWindow ? FWindow->Handle() : 0; }

  void Show() { FWindow->Show(); }
  void Close() { FWindow->Close(); }
  TModalResult ShowModal() { return FWindow->ShowModal(); }
  // Ends the form's modal run with the result.
  void SetModalResult(TModalResult result);
  TModalResult ModalResult() const { return FModalResult; }

protected:
  // Answers a close request; canClose starts true.
  virtual void FormCloseQuery(bool& canClose);
  // The close was granted.
  virtual void FormClose();
  virtual void FormResize();
  // The native window was made again (after the first creation).
  virtual void FormHandleCreated(TNativeWindow handle);
  virtual void FormSysCommand(TSysCommand command);

private:
  bool CloseQuery() final;
  void Closed() final;
  void Resized() final;
  void HandleCreated(TNativeWindow handle) final;
  void SysCommand(TSysCommand command) final;

  Toolkit& FToolkit;
  std::unique_ptr<ToolkitWindow> FWindow;
  TModalResult FModalResult = TModalResult::None;
};

// Asks the window manager for round corners (where it offers the choice).
enum class TRoundedCornerType { rcDefault = 0, rcOff = 1, rcOn = 2, rcSmall = 3 };

// The application's own default for forms left at rcDefault.
inline constexpr TRoundedCornerType DefaultRoundedCorners = TRoundedCornerType::rcOn;

// The form base of the main window, the installer window and the password
// prompt: a plain form that asks the window manager for rounded corners
// after every creation of its window and whenever RoundedCorners changes.
class TForm : public TToolkitForm {
public:
  TForm(Toolkit& toolkit, TWindowKind kind = TWindowKind::Normal);

  TRoundedCornerType RoundedCorners() const { return FRoundedCorners; }
  void SetRoundedCorners(TRoundedCornerType value);

  // The window manager's corner preference for the form's setting.
  int GetCornerPreference() const;

protected:
  void FormHandleCreated(TNativeWindow handle) override;

private:
  void UpdateRoundedCorners();

  TRoundedCornerType FRoundedCorners = TRoundedCornerType::rcDefault;
};

} // namespace tessera
