#pragma once

#include "platform/api/toolkit.h"

#include <gtk/gtk.h>

#include <string>
#include <utility>
#include <vector>

namespace tessera::gtk {

// A GtkFileChooserDialog made for each run from the settings kept here,
// local files only. The folder of the last confirmed choice is where the
// next run starts unless the file name says otherwise.
class GtkFileDialog final : public ToolkitFileDialog {
public:
  explicit GtkFileDialog(TFileDialogKind kind) : FKind(kind) {}

  void SetTitle(const std::string& title) override { FTitle = title; }
  void SetFileName(const std::string& fileName) override { FFileName = fileName; }
  void ClearFileTypes() override { FFileTypes.clear(); }
  void AddFileType(const std::string& displayName, const std::string& mask) override {
    FFileTypes.emplace_back(displayName, mask);
  }
  void SetOverwritePrompt(bool prompt) override { FOverwritePrompt = prompt; }
  bool Execute(TNativeWindow owner) override;
  std::string FileName() const override { return FFileName; }

private:
  GtkWidget* NewDialog(GtkWindow* parent) const;

  const TFileDialogKind FKind;
  std::string FTitle;
  std::string FFileName;
  std::vector<std::pair<std::string, std::string>> FFileTypes;
  bool FOverwritePrompt = false;
  std::string FLastFolder;
};

// A file mask as a GTK pattern that matches letters in either case; "*.*"
// means every file, as it does on Windows.
std::string CaseFoldedPattern(const std::string& mask);

} // namespace tessera::gtk
