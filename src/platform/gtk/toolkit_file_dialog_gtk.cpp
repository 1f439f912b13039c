#include "platform/gtk/toolkit_file_dialog_gtk.h"

#include "platform/gtk/modal_dialog_run.h"
#include "platform/gtk/toolkit_window_gtk.h"
#include "platform/gtk/valid_utf8.h"

#include <memory>

namespace tessera::gtk {

namespace {

// The top-level window that shows `owner` when it is the handle of one of
// our windows, or null. The handle is only compared, never followed, so a
// stale or foreign value is harmless.
GtkWindow* ParentOf(TNativeWindow owner) {
  if (owner == 0) {
    return nullptr;
  }
  GtkWindow* parent = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item != nullptr && parent == nullptr; item = item->next) {
    GtkToolkitWindow* window = GtkToolkitWindow::FromTopLevel(GTK_WINDOW(item->data));
    if (window != nullptr && window->Handle() == owner) {
      // An embedded window's own GtkWindow stays hidden: the parent is the
      // window its client area shows in.
      GtkWidget* shown = gtk_widget_get_toplevel(window->ClientArea());
      if (GTK_IS_WINDOW(shown) && gtk_widget_is_toplevel(shown)) {
        parent = GTK_WINDOW(shown);
      }
    }
  }
  g_list_free(toplevels);
  return parent;
}

GtkFileChooserAction ActionOf(TFileDialogKind kind) {
  switch (kind) {
  case TFileDialogKind::Save:
    return GTK_FILE_CHOOSER_ACTION_SAVE;
  case TFileDialogKind::Folder:
    return GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER;
  case TFileDialogKind::Open:
    break;
  }
  return GTK_FILE_CHOOSER_ACTION_OPEN;
}

const char* AcceptLabel(TFileDialogKind kind) {
  switch (kind) {
  case TFileDialogKind::Save:
    return "_Save";
  case TFileDialogKind::Folder:
    return "_Select";
  case TFileDialogKind::Open:
    break;
  }
  return "_Open";
}

} // namespace

std::string CaseFoldedPattern(const std::string& mask) {
  if (mask == "*.*") {
    return "*";
  }
  std::string pattern;
  bool inClass = false;
  for (const char c : mask) {
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (letter && !inClass) {
      pattern += '[';
      pattern += g_ascii_tolower(c);
      pattern += g_ascii_toupper(c);
      pattern += ']';
      continue;
    }
    // A class the page wrote itself is left as written.
    if (c == '[') {
      inClass = true;
    } else if (c == ']') {
      inClass = false;
    }
    pattern += c;
  }
  return pattern;
}

GtkWidget* GtkFileDialog::NewDialog(GtkWindow* parent) const {
  GtkWidget* dialog = gtk_file_chooser_dialog_new(ValidUtf8(FTitle).c_str(), parent,
                                                  ActionOf(FKind), "_Cancel", GTK_RESPONSE_CANCEL,
                                                  AcceptLabel(FKind), GTK_RESPONSE_ACCEPT, nullptr);
  GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
  gtk_file_chooser_set_local_only(chooser, TRUE);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  if (parent == nullptr) {
    gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  }
  if (FKind == TFileDialogKind::Save) {
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, FOverwritePrompt ? TRUE : FALSE);
  }

  if (FKind != TFileDialogKind::Folder && !FFileName.empty()) {
    if (g_path_is_absolute(FFileName.c_str()) && FKind == TFileDialogKind::Save) {
      // The chooser selects only a file that exists, so a new file's name
      // would leave the name box empty: its folder and its name are set
      // apart, which shows both whether the file exists or not.
      const std::unique_ptr<gchar, decltype(&g_free)> folder(g_path_get_dirname(FFileName.c_str()),
                                                             &g_free);
      const std::unique_ptr<gchar, decltype(&g_free)> name(g_path_get_basename(FFileName.c_str()),
                                                           &g_free);
      gtk_file_chooser_set_current_folder(chooser, folder.get());
      gtk_file_chooser_set_current_name(chooser, ValidUtf8(name.get()).c_str());
    } else if (g_path_is_absolute(FFileName.c_str())) {
      gtk_file_chooser_set_filename(chooser, FFileName.c_str());
    } else if (FKind == TFileDialogKind::Save) {
      if (!FLastFolder.empty()) {
        gtk_file_chooser_set_current_folder(chooser, FLastFolder.c_str());
      }
      gtk_file_chooser_set_current_name(chooser, ValidUtf8(FFileName).c_str());
    }
  } else if (!FLastFolder.empty()) {
    gtk_file_chooser_set_current_folder(chooser, FLastFolder.c_str());
  }

  bool first = true;
  for (const auto& [name, mask] : FFileTypes) {
    GtkFileFilter* filter = gtk_file_filter_new();
    gtk_file_filter_set_name(filter, ValidUtf8(name).c_str());
    gtk_file_filter_add_pattern(filter, CaseFoldedPattern(mask).c_str());
    // The chooser takes the filter's floating reference.
    gtk_file_chooser_add_filter(chooser, filter);
    if (first) {
      gtk_file_chooser_set_filter(chooser, filter);
      first = false;
    }
  }
  return dialog;
}

bool GtkFileDialog::Execute(TNativeWindow owner) {
  GtkWidget* dialog = NewDialog(ParentOf(owner));
  // Ours until the run ends, whatever happens to its parent meanwhile.
  g_object_ref(dialog);

  bool chosen = false;
  if (RunModalDialog(dialog) == GTK_RESPONSE_ACCEPT) {
    if (gchar* path = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
      FFileName = path;
      gchar* folder = g_path_get_dirname(path);
      FLastFolder = FKind == TFileDialogKind::Folder ? FFileName : folder;
      g_free(folder);
      g_free(path);
      chosen = true;
    }
  }
  gtk_widget_destroy(dialog);
  g_object_unref(dialog);
  return chosen;
}

} // namespace tessera::gtk
