#include "base/str_utils.h"
#include "bridge/argument_readers.h"
#include "bridge/browser_external_module.h"
#include "bridge/handler_bindings.h"

#include <string>
#include <string_view>
#include <vector>

namespace tessera {

namespace {

constexpr THandlerBinding kBindings[] = {
    {20001, &TBrowserExternalModule::DialogsOpenFile},
    {20002, &TBrowserExternalModule::DialogsSaveFile},
    {20003, &TBrowserExternalModule::DialogsSelFolder},
};

// What a page asks of a file dialog, read in full before the dialog is
// touched: a request with a member of the wrong kind changes nothing.
struct TFileDialogRequest {
  std::string FileName;
  std::string Title;
  std::string FileTypes;
};

TFileDialogRequest ReadFileDialogRequest(const TJsonValue& data, std::string_view defaultTitle) {
  TFileDialogRequest request;
  request.FileName = GetJsonString(data, "fileName", "");
  request.Title = GetJsonString(data, "title", defaultTitle);
  request.FileTypes = GetJsonString(data, "fileTypes", "");
  return request;
}

// Sets up the dialog for one run. The file-type list is "Name|mask"
// entries separated by ";", added in order; an entry that is not exactly a
// name and a mask is skipped, so one mask cannot list several patterns.
void PrepareFileDialog(ToolkitFileDialog& dialog, const TFileDialogRequest& request) {
  dialog.ClearFileTypes();
  dialog.SetFileName(request.FileName);
  dialog.SetTitle(request.Title);
  for (const std::string& entry : TStrUtils::ExplodeStrings(";", request.FileTypes)) {
    const std::vector<std::string> parts = TStrUtils::ExplodeStrings("|", entry);
    if (parts.size() == 2) {
      dialog.AddFileType(parts[0], parts[1]);
    }
  }
}

} // namespace

const std::span<const THandlerBinding> kDialogHandlers = kBindings;

void TBrowserExternalModule::DialogsOpenFile(const std::string& uuid, const TJsonValue& data) {
  const TFileDialogRequest request = ReadFileDialogRequest(data, "Open file");
  PrepareFileDialog(*FileOpenDialog, request);
  const bool chosen = FileOpenDialog->Execute(FToolkit.ActiveWindow());
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(chosen ? FileOpenDialog->FileName() : ""));
}

void TBrowserExternalModule::DialogsSaveFile(const std::string& uuid, const TJsonValue& data) {
  const TFileDialogRequest request = ReadFileDialogRequest(data, "Save file");
  const bool overwritePrompt = GetJsonBoolean(data, "overwritePrompt", false);
  PrepareFileDialog(*FileSaveDialog, request);
  // Set or cleared on every call: the dialog keeps it between runs.
  FileSaveDialog->SetOverwritePrompt(overwritePrompt);
  const bool chosen = FileSaveDialog->Execute(FToolkit.ActiveWindow());
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(chosen ? FileSaveDialog->FileName() : ""));
}

void TBrowserExternalModule::DialogsSelFolder(const std::string& uuid, const TJsonValue& data) {
  // The folder dialog shares the save dialog's default title.
  FolderOpenDialog->SetTitle(GetJsonString(data, "title", "Save file"));
  if (!FolderOpenDialog->Execute(FToolkit.ActiveWindow())) {
    PostCallSuccess(uuid, "\"\"");
    return;
  }
  // Folder paths go to the page ending in the delimiter, as every folder
  // path of the bridge does; a root already ends in one.
  std::string folder = FolderOpenDialog->FileName();
  if (folder.empty() || folder.back() != FOs.PathDelimiter()) {
    folder += FOs.PathDelimiter();
  }
  PostCallSuccess(uuid, TStrUtils::StringToJsonString(folder));
}

} // namespace tessera
