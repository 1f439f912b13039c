// qel.dialogs: how each call sets up its dialog, and what the page hears
// for a confirmed or a cancelled dialog. The fake dialogs answer from a
// queue and record what they were given.
#include "bridge_fixture.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tessera {
namespace {

using TFileTypes = std::vector<std::pair<std::string, std::string>>;

class DialogFunctions : public BridgeFixture {
protected:
  DialogFunctions() { Widgets.Active = 0x4242; }

  // The module makes its dialogs in this order: open, save, folder.
  FakeFileDialog& OpenDialog() { return *Widgets.FileDialogs.at(0); }
  FakeFileDialog& SaveDialog() { return *Widgets.FileDialogs.at(1); }
  FakeFileDialog& FolderDialog() { return *Widgets.FileDialogs.at(2); }
};

TEST_F(DialogFunctions, TheModuleMakesOneDialogOfEachKindAndOneNotificationCentre) {
  ASSERT_EQ(Widgets.FileDialogs.size(), 3u);
  EXPECT_EQ(OpenDialog().Kind, TFileDialogKind::Open);
  EXPECT_EQ(SaveDialog().Kind, TFileDialogKind::Save);
  EXPECT_EQ(FolderDialog().Kind, TFileDialogKind::Folder);
  EXPECT_EQ(Widgets.NotificationCenters.size(), 1u);
}

TEST_F(DialogFunctions, OpenFileShowsTheDialogOnTheActiveWindowAndRepliesThePath) {
  OpenDialog().Answers = {R"(C:\Docs\"quoted" €.txt)", std::nullopt};
  EXPECT_EQ(Call(20001), Success(R"("C:\\Docs\\\"quoted\" \u20AC.txt")"));
  EXPECT_EQ(OpenDialog().Title, "Open file");
  EXPECT_EQ(OpenDialog().FileNamesShown.back(), "");
  EXPECT_EQ(OpenDialog().Owners, std::vector<TNativeWindow>{0x4242});

  // Cancelled: the empty string, after the page's settings were applied.
  EXPECT_EQ(Call(20001, R"({"title":"Pick one","fileName":"start.txt"})"), Success(R"("")"));
  EXPECT_EQ(OpenDialog().Title, "Pick one");
  EXPECT_EQ(OpenDialog().FileNamesShown.back(), "start.txt");
  EXPECT_TRUE(Reports.empty());
}

TEST_F(DialogFunctions, FileTypeListsKeepOnlyEntriesOfExactlyANameAndAMask) {
  struct TCase {
    const char* FileTypes;
    TFileTypes Expected;
  };
  const TCase cases[] = {
      {"Text files|*.txt;All files|*.*", {{"Text files", "*.txt"}, {"All files", "*.*"}}},
      {"Images|*.png|*.jpg;Text|*.txt", {{"Text", "*.txt"}}},
      // The ";" ends the entry, so "*.jpg" stands alone and is skipped.
      {"Images|*.png;*.jpg", {{"Images", "*.png"}}},
      {"", {}},
      {"Web|*.html;", {{"Web", "*.html"}}},
      // Nothing is trimmed and empty parts count as parts.
      {" Any | * ;|", {{" Any ", " * "}, {"", ""}}},
  };
  // One dialog for all: each call starts from no file types.
  for (const TCase& c : cases) {
    const std::string data = std::string(R"({"fileTypes":")") + c.FileTypes + "\"}";
    EXPECT_EQ(Call(20001, data), Success(R"("")")) << c.FileTypes;
    EXPECT_EQ(OpenDialog().FileTypes, c.Expected) << c.FileTypes;
    EXPECT_EQ(Call(20002, data), Success(R"("")")) << c.FileTypes;
    EXPECT_EQ(SaveDialog().FileTypes, c.Expected) << c.FileTypes;
  }
}

TEST_F(DialogFunctions, SaveFileSetsOrClearsTheOverwritePromptOnEveryCall) {
  SaveDialog().Answers = {"C:\\out.txt", std::nullopt, std::nullopt};
  EXPECT_EQ(Call(20002, R"({"overwritePrompt":true,"fileName":"out"})"),
            Success(R"("C:\\out.txt")"));
  EXPECT_TRUE(SaveDialog().OverwritePrompt);
  EXPECT_EQ(SaveDialog().Title, "Save file");
  EXPECT_EQ(SaveDialog().FileNamesShown.back(), "out");

  EXPECT_EQ(Call(20002), Success(R"("")"));
  EXPECT_FALSE(SaveDialog().OverwritePrompt);
  // The text-to-boolean rule: numbers and texts count too.
  EXPECT_EQ(Call(20002, R"({"overwritePrompt":"TRUE"})"), Success(R"("")"));
  EXPECT_TRUE(SaveDialog().OverwritePrompt);
  EXPECT_EQ(SaveDialog().Owners.size(), 3u);
}

TEST_F(DialogFunctions, SelFolderRepliesTheFolderEndingInOneDelimiter) {
  struct TCase {
    char Delimiter;
    std::optional<std::string> Chosen;
    const char* Reply;
  };
  const TCase cases[] = {
      {'\\', "C:\\Data", R"("C:\\Data\\")"},
      {'\\', "C:\\", R"("C:\\")"},
      {'/', "/home/ann/photos", R"("\/home\/ann\/photos\/")"},
      {'/', "/", R"("\/")"},
      {'\\', std::nullopt, R"("")"},
  };
  for (const TCase& c : cases) {
    Os.Delimiter = c.Delimiter;
    FolderDialog().Answers = {c.Chosen};
    EXPECT_EQ(Call(20003), Success(c.Reply)) << c.Chosen.value_or("cancel");
  }
  // The folder dialog shares the save dialog's default title.
  EXPECT_EQ(FolderDialog().Title, "Save file");
  Call(20003, R"({"title":"Where to?"})");
  EXPECT_EQ(FolderDialog().Title, "Where to?");
  EXPECT_EQ(FolderDialog().Owners.back(), 0x4242u);
}

TEST_F(DialogFunctions, AMemberOfTheWrongKindShowsNoDialogAndGetsNoReply) {
  const std::pair<int, const char*> requests[] = {
      {20001, R"({"title":{}})"},
      {20001, R"({"fileName":["a"]})"},
      {20002, R"({"fileTypes":{"Text":"*.txt"}})"},
      {20002, R"({"overwritePrompt":"yes"})"},
      {20003, R"({"title":[1]})"},
  };
  for (const auto& [id, data] : requests) {
    EXPECT_EQ(Call(id, data), "") << data;
  }
  EXPECT_EQ(Reports.size(), std::size(requests));
  for (FakeFileDialog* dialog : Widgets.FileDialogs) {
    EXPECT_TRUE(dialog->Owners.empty());
    EXPECT_TRUE(dialog->FileTypes.empty());
  }
}

} // namespace
} // namespace tessera
