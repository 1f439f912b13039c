// The GTK file dialogs: how the chooser is set up from the dialog's
// settings (read from inside its run), and real keyboard input from
// xdotool: a typed path with Enter confirms it, Escape cancels.
#include "platform/gtk/toolkit_file_dialog_gtk.h"
#include "platform/gtk/toolkit_gtk.h"

#include "gtk_test_support.h"

#include <glib/gstdio.h>
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tessera {
namespace {

using testing_gtk::PumpUntil;
using testing_gtk::RunLater;
using testing_gtk::TScopedRunLater;

GtkWidget* FindChooser() {
  GtkWidget* found = nullptr;
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* item = toplevels; item != nullptr; item = item->next) {
    if (GTK_IS_FILE_CHOOSER_DIALOG(item->data) && gtk_widget_get_visible(GTK_WIDGET(item->data))) {
      found = GTK_WIDGET(item->data);
    }
  }
  g_list_free(toplevels);
  return found;
}

std::vector<std::string> FilterNames(GtkFileChooser* chooser) {
  std::vector<std::string> names;
  GSList* filters = gtk_file_chooser_list_filters(chooser);
  for (GSList* item = filters; item != nullptr; item = item->next) {
    names.emplace_back(gtk_file_filter_get_name(GTK_FILE_FILTER(item->data)));
  }
  g_slist_free(filters);
  return names;
}

bool Passes(GtkFileFilter* filter, const char* fileName) {
  GtkFileFilterInfo info{};
  info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
  info.display_name = fileName;
  return gtk_file_filter_filter(filter, &info) != FALSE;
}

// Runs the dialog while `user` acts on the chooser from inside the run; a
// chooser left open is cancelled after a while so that the suite cannot
// hang.
bool RunWith(ToolkitFileDialog& dialog, TNativeWindow owner,
             std::function<void(GtkWidget* chooser)> user) {
  RunLater(100, [user = std::move(user)] {
    GtkWidget* chooser = FindChooser();
    if (chooser == nullptr) {
      ADD_FAILURE() << "no file chooser is shown";
      return;
    }
    user(chooser);
  });
  TScopedRunLater watchdog(testing_gtk::kWaitMs, [] {
    GtkWidget* chooser = FindChooser();
    if (chooser == nullptr) {
      return;
    }
    ADD_FAILURE() << "the file chooser was left open";
    // A message the chooser shows (an error about what was typed) runs a
    // loop of its own inside the chooser's: it is answered first, or the
    // chooser's run could never end.
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* item = toplevels; item != nullptr; item = item->next) {
      GtkWidget* other = GTK_WIDGET(item->data);
      if (other != chooser && GTK_IS_DIALOG(other) && gtk_widget_get_visible(other)) {
        gchar* text = nullptr;
        if (GTK_IS_MESSAGE_DIALOG(other)) {
          g_object_get(other, "text", &text, nullptr);
        }
        ADD_FAILURE() << "the chooser showed \"" << (text != nullptr ? text : "a dialog") << "\"";
        g_free(text);
        gtk_dialog_response(GTK_DIALOG(other), GTK_RESPONSE_DELETE_EVENT);
      }
    }
    g_list_free(toplevels);
    gtk_dialog_response(GTK_DIALOG(chooser), GTK_RESPONSE_CANCEL);
  });
  const bool chosen = dialog.Execute(owner);
  EXPECT_EQ(FindChooser(), nullptr) << "the chooser is gone afterwards";
  return chosen;
}

// The user at the keyboard, through xdotool: focuses the window titled
// `title`, then takes each step in turn: "type:<text>" or "key:<keys>". It
// runs in the background: the dialog's loop must keep running meanwhile.
// The answer turns true once every key has been sent.
std::shared_ptr<bool> User(const std::string& title, std::vector<std::string> steps) {
  static const char* const script =
      R"(w=$(xdotool search --sync --onlyvisible --name "^$1\$" | head -n 1) || exit 1
xdotool windowfocus --sync "$w" || exit 1
shift
for step; do
  case $step in
  type:*) xdotool type --delay 60 "${step#type:}" ;;
  key:*) xdotool key --delay 60 ${step#key:} ;;
  esac
done)";
  std::vector<std::string> args{"sh", "-c", script, "sh", title};
  args.insert(args.end(), steps.begin(), steps.end());
  std::vector<gchar*> argv;
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  auto sent = std::make_shared<bool>(false);
  GPid pid = 0;
  if (!g_spawn_async(nullptr, argv.data(), nullptr,
                     static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
                     nullptr, nullptr, &pid, nullptr)) {
    ADD_FAILURE() << "xdotool did not start";
    return sent;
  }
  g_child_watch_add_full(
      G_PRIORITY_DEFAULT, pid,
      [](GPid child, gint, gpointer data) {
        *static_cast<std::shared_ptr<bool>*>(data)->get() = true;
        g_spawn_close_pid(child);
      },
      new std::shared_ptr<bool>(sent),
      [](gpointer data) { delete static_cast<std::shared_ptr<bool>*>(data); });
  return sent;
}

// What the user typed into the chooser's focused entry (the name or the
// location field): its text before the cursor, without the completion that
// the field may have added after it.
std::string TypedText(GtkWidget* chooser) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(chooser));
  if (!GTK_IS_ENTRY(focus)) {
    return "";
  }
  const std::string text = gtk_entry_get_text(GTK_ENTRY(focus));
  const gint cursor = gtk_editable_get_position(GTK_EDITABLE(focus));
  gchar* typed = g_utf8_substring(text.c_str(), 0, cursor);
  std::string answer = typed;
  g_free(typed);
  return answer;
}

// The user types `path` and presses Enter once every key was sent and the
// field holds all of it (a folder's name completed with its "/" is the same
// path): the chooser then takes it. The leading "/" goes first, alone: typed into
// the file list it opens the location field, which takes the keys only
// once it is there (keys typed on meanwhile would be lost).
void TypeAndConfirm(GtkWidget* chooser, const std::string& title, const std::string& path) {
  ASSERT_EQ(path.front(), '/');
  const std::shared_ptr<bool> slash = User(title, {"type:/"});
  ASSERT_TRUE(PumpUntil([&] { return *slash && TypedText(chooser) == "/"; }))
      << "no field took the \"/\"";
  const std::shared_ptr<bool> sent = User(title, {"type:" + path.substr(1)});
  ASSERT_TRUE(PumpUntil([&] {
    const std::string typed = TypedText(chooser);
    return *sent && (typed == path || typed == path + "/");
  })) << "the field holds \""
      << TypedText(chooser) << "\", not " << path;
  // Enter as GDK delivers it to the chooser, whichever window the X server
  // gives the focus to at this moment. The field's completion may show its
  // list late on a busy machine; the list then takes the Enter and closes,
  // so the user presses Enter again until the chooser answers.
  bool answered = false;
  const gulong handler = g_signal_connect(
      chooser, "response",
      G_CALLBACK(+[](GtkDialog*, gint, gpointer data) { *static_cast<bool*>(data) = true; }),
      &answered);
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(testing_gtk::kWaitMs);
  while (!answered && std::chrono::steady_clock::now() < deadline) {
    testing_gtk::TypeKey(chooser, GDK_KEY_Return);
    PumpUntil([&] { return answered; }, 3000);
  }
  g_signal_handler_disconnect(chooser, handler);
  EXPECT_TRUE(answered) << "the chooser did not answer Enter";
}

class ToolkitFileDialogGtkTest : public testing::Test {
protected:
  void SetUp() override {
    gchar* folder = g_dir_make_tmp("tessera-chooser-XXXXXX", nullptr);
    ASSERT_NE(folder, nullptr);
    FFolder = folder;
    g_free(folder);
  }
  void TearDown() override {
    for (const std::string& file : FFiles) {
      g_remove(file.c_str());
    }
    g_rmdir((FFolder + "/sub folder").c_str());
    g_rmdir(FFolder.c_str());
  }

  std::string MakeFile(const std::string& name) {
    const std::string path = FFolder + "/" + name;
    std::ofstream(path) << "x";
    FFiles.push_back(path);
    return path;
  }

  std::unique_ptr<Toolkit> FToolkit = CreateGtkToolkit();
  std::string FFolder;
  std::vector<std::string> FFiles;
};

TEST_F(ToolkitFileDialogGtkTest, TheChooserTakesTheSettingsAndTheOwnerWindow) {
  testing_gtk::TRecordingEvents events;
  auto owner = FToolkit->CreateForm(events, TWindowKind::Normal);
  owner->Show();
  auto dialog = FToolkit->CreateFileDialog(TFileDialogKind::Save);
  dialog->SetTitle("Save the report");
  dialog->SetFileName("report.txt");
  dialog->AddFileType("Stale", "*.old");
  dialog->ClearFileTypes();
  dialog->AddFileType("Text files", "*.txt");
  dialog->AddFileType("All files", "*.*");
  dialog->SetOverwritePrompt(true);

  GtkWindow* ownerWindow = testing_gtk::TopLevelOf(*owner);
  EXPECT_FALSE(RunWith(*dialog, owner->Handle(), [&](GtkWidget* widget) {
    auto* chooser = GTK_FILE_CHOOSER(widget);
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(widget)), "Save the report");
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(widget)), ownerWindow);
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(widget)));
    EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_SAVE);
    EXPECT_TRUE(gtk_file_chooser_get_local_only(chooser));
    EXPECT_TRUE(gtk_file_chooser_get_do_overwrite_confirmation(chooser));
    gchar* name = gtk_file_chooser_get_current_name(chooser);
    EXPECT_STREQ(name, "report.txt");
    g_free(name);
    EXPECT_EQ(FilterNames(chooser), (std::vector<std::string>{"Text files", "All files"}));
    GtkFileFilter* text = gtk_file_chooser_get_filter(chooser);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(gtk_file_filter_get_name(text), "Text files");
    EXPECT_TRUE(Passes(text, "NOTES.Txt"));
    EXPECT_FALSE(Passes(text, "notes.md"));
    gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_CANCEL);
  }));

  // The next run follows the settings as they are now; without an owner of
  // ours the chooser stands alone.
  dialog->SetOverwritePrompt(false);
  EXPECT_FALSE(RunWith(*dialog, 0x1234, [&](GtkWidget* widget) {
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(widget)), nullptr);
    EXPECT_FALSE(gtk_file_chooser_get_do_overwrite_confirmation(GTK_FILE_CHOOSER(widget)));
    GSList* filters = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(widget));
    EXPECT_TRUE(Passes(GTK_FILE_FILTER(g_slist_nth_data(filters, 1)), "Makefile"))
        << "*.* takes files without an extension too";
    g_slist_free(filters);
    gtk_window_close(GTK_WINDOW(widget));
  }));
}

TEST_F(ToolkitFileDialogGtkTest, ASaveDialogShowsTheFolderAndNameOfAFullPathThatDoesNotExistYet) {
  auto dialog = FToolkit->CreateFileDialog(TFileDialogKind::Save);
  dialog->SetTitle("Save new");
  dialog->SetFileName(FFolder + "/not yet.txt");
  EXPECT_FALSE(RunWith(*dialog, 0, [&](GtkWidget* widget) {
    auto* chooser = GTK_FILE_CHOOSER(widget);
    gchar* name = gtk_file_chooser_get_current_name(chooser);
    EXPECT_STREQ(name, "not yet.txt");
    g_free(name);
    // The chooser takes a folder once it has looked it up, in the
    // background: a busy machine shows it a while after the chooser.
    std::string folder;
    EXPECT_TRUE(PumpUntil([&] {
      gchar* current = gtk_file_chooser_get_current_folder(chooser);
      folder = current != nullptr ? current : "";
      g_free(current);
      return folder == FFolder;
    })) << "the chooser shows the folder \""
        << folder << "\"";
    gtk_dialog_response(GTK_DIALOG(widget), GTK_RESPONSE_CANCEL);
  }));
}

TEST_F(ToolkitFileDialogGtkTest, ATypedPathAndEnterConfirmEscapeCancels) {
  const std::string existing = MakeFile("pick me.txt");
  auto open = FToolkit->CreateFileDialog(TFileDialogKind::Open);
  open->SetTitle("Open a file");
  EXPECT_TRUE(RunWith(
      *open, 0, [&](GtkWidget* chooser) { TypeAndConfirm(chooser, "Open a file", existing); }));
  EXPECT_EQ(open->FileName(), existing);
  EXPECT_FALSE(RunWith(*open, 0, [&](GtkWidget*) { User("Open a file", {"key:Escape"}); }));

  auto save = FToolkit->CreateFileDialog(TFileDialogKind::Save);
  save->SetTitle("Save a file");
  const std::string fresh = FFolder + "/new file.txt";
  EXPECT_TRUE(RunWith(*save, 0,
                      [&](GtkWidget* chooser) { TypeAndConfirm(chooser, "Save a file", fresh); }));
  EXPECT_EQ(save->FileName(), fresh);
}

TEST_F(ToolkitFileDialogGtkTest, TheFolderDialogPicksExistingFolders) {
  const std::string sub = FFolder + "/sub folder";
  ASSERT_EQ(g_mkdir(sub.c_str(), 0700), 0);
  auto folder = FToolkit->CreateFileDialog(TFileDialogKind::Folder);
  folder->SetTitle("Pick a folder");
  EXPECT_TRUE(RunWith(*folder, 0, [&](GtkWidget* widget) {
    EXPECT_EQ(gtk_file_chooser_get_action(GTK_FILE_CHOOSER(widget)),
              GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER);
    TypeAndConfirm(widget, "Pick a folder", sub);
  }));
  EXPECT_EQ(folder->FileName(), sub);
  EXPECT_FALSE(RunWith(*folder, 0, [&](GtkWidget*) { User("Pick a folder", {"key:Escape"}); }));
}

TEST(ToolkitFileDialogGtkPattern, MasksMatchLettersInEitherCase) {
  EXPECT_EQ(gtk::CaseFoldedPattern("*.txt"), "*.[tT][xX][tT]");
  EXPECT_EQ(gtk::CaseFoldedPattern("*.*"), "*");
  EXPECT_EQ(gtk::CaseFoldedPattern("img_?[0-9].png"), "[iI][mM][gG]_?[0-9].[pP][nN][gG]");
  EXPECT_EQ(gtk::CaseFoldedPattern("[ab]*"), "[ab]*");
}

} // namespace
} // namespace tessera
