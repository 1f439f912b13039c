#pragma once

#include "platform/api/toolkit.h"

#include <string>
#include <utility>
#include <vector>

namespace tessera::win32 {

// The system's common item dialogs (IFileOpenDialog, IFileSaveDialog, the
// open dialog picking folders). A dialog object is made for each run from
// the settings kept here; the system remembers the folder between runs.
// COM must be initialised single-threaded on the calling thread.
class Win32FileDialog final : public ToolkitFileDialog {
public:
  explicit Win32FileDialog(TFileDialogKind kind) : FKind(kind) {}

  void SetTitle(const std::string& title) override { FTitle = title; }
  void SetFileName(const std::string& fileName) override { FFileName = fileName; }
  void ClearFileTypes() override { FFileTypes.clear(); }
  void AddFileType(const std::string& displayName, const std::string& mask) override {
    FFileTypes.emplace_back(displayName, mask);
  }
  void SetOverwritePrompt(bool prompt) override { FOverwritePrompt = prompt; }
  // Throws when the system cannot make or show the dialog.
  bool Execute(TNativeWindow owner) override;
  std::string FileName() const override { return FFileName; }

private:
  const TFileDialogKind FKind;
  std::string FTitle;
  std::string FFileName;
  std::vector<std::pair<std::string, std::string>> FFileTypes;
  bool FOverwritePrompt = false;
};

} // namespace tessera::win32
