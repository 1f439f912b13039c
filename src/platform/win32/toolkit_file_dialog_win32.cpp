#include "platform/win32/toolkit_file_dialog_win32.h"

#include "base/exceptions.h"
#include "platform/win32/com_ref.h"
#include "platform/win32/windows_api.h"

#include <shobjidl.h>

#include <cstdio>

namespace tessera::win32 {

namespace {

std::string HresultText(HRESULT result) {
  char text[16];
  std::snprintf(text, sizeof(text), "0x%08lX", static_cast<unsigned long>(result));
  return text;
}

void Check(HRESULT result, const char* what) {
  if (FAILED(result)) {
    throw Exception(std::string("file dialog: ") + what + " failed (" + HresultText(result) + ")");
  }
}

} // namespace

bool Win32FileDialog::Execute(TNativeWindow owner) {
  TComRef<IFileDialog> dialog;
  const CLSID& kind = FKind == TFileDialogKind::Save ? CLSID_FileSaveDialog : CLSID_FileOpenDialog;
  Check(
      CoCreateInstance(kind, nullptr, CLSCTX_INPROC_SERVER, IID_IFileDialog, dialog.ReceiveVoid()),
      "creating the dialog");

  FILEOPENDIALOGOPTIONS options = 0;
  Check(dialog->GetOptions(&options), "reading the options");
  // Only items with a file-system path can be answered with a path.
  options |= FOS_FORCEFILESYSTEM;
  if (FKind == TFileDialogKind::Folder) {
    options |= FOS_PICKFOLDERS | FOS_PATHMUSTEXIST;
  } else if (FKind == TFileDialogKind::Save) {
    // The dialog would keep its own default: each run says which it wants.
    if (FOverwritePrompt) {
      options |= FOS_OVERWRITEPROMPT;
    } else {
      options &= ~static_cast<FILEOPENDIALOGOPTIONS>(FOS_OVERWRITEPROMPT);
    }
  }
  Check(dialog->SetOptions(options), "setting the options");

  // Without a title the system's own ("Open", "Save As") shows.
  if (!FTitle.empty()) {
    Check(dialog->SetTitle(Widen(FTitle).c_str()), "setting the title");
  }
  if (FKind != TFileDialogKind::Folder) {
    Check(dialog->SetFileName(Widen(FFileName).c_str()), "setting the file name");
  }

  // The texts live until the dialog is gone; the filters point into them.
  std::vector<std::wstring> texts;
  texts.reserve(FFileTypes.size() * 2);
  std::vector<COMDLG_FILTERSPEC> filters;
  for (const auto& [name, mask] : FFileTypes) {
    texts.push_back(Widen(name));
    texts.push_back(Widen(mask));
  }
  for (std::size_t i = 0; i + 1 < texts.size(); i += 2) {
    filters.push_back({texts[i].c_str(), texts[i + 1].c_str()});
  }
  if (FKind != TFileDialogKind::Folder && !filters.empty()) {
    Check(dialog->SetFileTypes(static_cast<UINT>(filters.size()), filters.data()),
          "setting the file types");
    Check(dialog->SetFileTypeIndex(1), "choosing the first file type");
  }

  HWND parent = reinterpret_cast<HWND>(owner);
  if (parent != nullptr && !IsWindow(parent)) {
    parent = nullptr;
  }
  const HRESULT shown = dialog->Show(parent);
  if (shown == HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
    return false;
  }
  Check(shown, "showing the dialog");

  TComRef<IShellItem> item;
  Check(dialog->GetResult(item.Receive()), "reading the choice");
  TCoTaskMemText path;
  Check(item->GetDisplayName(SIGDN_FILESYSPATH, path.Receive()), "reading the chosen path");
  FFileName = Narrow(path.Get());
  return true;
}

} // namespace tessera::win32
