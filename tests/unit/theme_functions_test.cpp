// qel.themes.* and the theme facade over the toolkit's style manager, on the
// fake toolkit; the start-up step that applies the configured theme.
#include "functions/styles_utils.h"
#include "platform/api/stored_styles.h"

#include "bridge_fixture.h"
#include "startup_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace tessera {
namespace {

// The themes as pages get them: sorted, letter case ignored.
const std::vector<std::string> kSortedThemes = {"Amakrits",
                                                "Amethyst Kamri",
                                                "Aqua Graphite",
                                                "Aqua Light Slate",
                                                "Auric",
                                                "Carbon",
                                                "Charcoal Dark Slate",
                                                "Cobalt XEMedia",
                                                "Cyan Dusk",
                                                "Cyan Night",
                                                "Emerald Light Slate",
                                                "Glossy",
                                                "Glow",
                                                "Golden Graphite",
                                                "Iceberg Classico",
                                                "Lavender Classico",
                                                "Light",
                                                "Luna",
                                                "Metropolis UI Black",
                                                "Metropolis UI Blue",
                                                "Metropolis UI Dark",
                                                "Metropolis UI Green",
                                                "Obsidian",
                                                "Onyx Blue",
                                                "Ruby Graphite",
                                                "Sapphire Kamri",
                                                "Silver",
                                                "Sky",
                                                "Slate Classico",
                                                "Smokey Quartz Kamri",
                                                "Tablet Dark",
                                                "Tablet Light",
                                                "Turquoise Gray",
                                                "Windows",
                                                "Windows10",
                                                "Windows10 Blue",
                                                "Windows10 Dark",
                                                "Windows10 Green",
                                                "Windows10 Purple",
                                                "Windows10 SlateGray"};

std::string JsonArray(const std::vector<std::string>& names) {
  std::string json = "[";
  for (const std::string& name : names) {
    json += (json.size() > 1 ? ",\"" : "\"") + name + "\"";
  }
  return json + "]";
}

TEST(StoredStyles, ThirtyNineNamedStylesEachWithItsOwnPalette) {
  ASSERT_EQ(StoredStyles().size(), 39u);
  std::set<std::string> names;
  std::set<std::tuple<TColor, TColor, TColor, TColor, TColor, bool>> palettes;
  for (const TStoredStyle& style : StoredStyles()) {
    names.emplace(style.Name);
    const TStylePalette& p = style.Palette;
    palettes.emplace(p.Frame, p.Caption, p.CaptionText, p.Window, p.WindowText, p.Dark);
    // Plain colours only: the window manager takes them as they are.
    for (const TColor color : {p.Frame, p.Caption, p.CaptionText, p.Window, p.WindowText}) {
      EXPECT_EQ(color & 0xFF000000u, 0u) << style.Name;
    }
  }
  EXPECT_EQ(names.size(), 39u);
  EXPECT_EQ(palettes.size(), 39u);
  EXPECT_FALSE(names.count("Windows"));
  EXPECT_TRUE(FindStoredStyle("Carbon")->Palette.Dark);
  EXPECT_FALSE(FindStoredStyle("Light")->Palette.Dark);
}

TEST(StylesUtils, ListsWindowsFirstThenStoredOrderOrAllSorted) {
  FakeToolkit toolkit;
  FakeOsServices os;
  std::vector<std::string> list{"left over"};
  TStylesUtils::GetAvailables(toolkit, os, list, false);
  ASSERT_EQ(list.size(), 40u);
  EXPECT_EQ(list[0], "Windows");
  for (size_t i = 0; i < StoredStyles().size(); ++i) {
    EXPECT_EQ(list[i + 1], StoredStyles()[i].Name);
  }
  TStylesUtils::GetAvailables(toolkit, os, list, true);
  EXPECT_EQ(list, kSortedThemes);
}

// The system's own collation (CompareStringEx on Windows, the user's
// LC_COLLATE on Linux) ignores letter case and keeps the themes in the order
// pages have always seen.
TEST(StylesUtils, TheSystemsOrderIgnoresLetterCase) {
  const std::unique_ptr<OsServices> os = CreateOsServices();
  const struct {
    const char* A;
    const char* B;
    int Sign;
  } cases[] = {{"Carbon", "carbon", 0},
               {"aqua graphite", "Auric", -1},
               {"Windows10", "Windows", 1},
               {"Windows10 blue", "Windows10 Dark", -1},
               {"", "Amakrits", -1}};
  for (const auto& c : cases) {
    const int order = os->CompareTextInUserLocale(c.A, c.B);
    EXPECT_EQ((order > 0) - (order < 0), c.Sign) << c.A << " / " << c.B;
  }
  FakeToolkit toolkit;
  std::vector<std::string> list;
  TStylesUtils::GetAvailables(toolkit, *os, list, true);
  EXPECT_EQ(list, kSortedThemes);
}

TEST(StylesUtils, TrySetStyleShowsTheStyleManagersErrorOnlyWhenAsked) {
  FakeToolkit toolkit;
  EXPECT_FALSE(TStylesUtils::TrySetStyle(toolkit, "Nope", false));
  EXPECT_TRUE(toolkit.Dialogs.empty());

  EXPECT_FALSE(TStylesUtils::TrySetStyle(toolkit, "Nope", true));
  ASSERT_EQ(toolkit.Dialogs.size(), 1u);
  EXPECT_EQ(toolkit.Dialogs[0].Text, "Style 'Nope' not found");
  EXPECT_EQ(toolkit.Dialogs[0].Kind, TMessageDialogKind::Error);
  EXPECT_EQ(toolkit.Dialogs[0].Buttons, TMessageDialogButtons::OK);

  // A style the system refuses is there, so it is not "not found".
  toolkit.RefuseStyles = true;
  EXPECT_FALSE(TStylesUtils::TrySetStyle(toolkit, "Glow", true));
  EXPECT_EQ(toolkit.Dialogs.back().Text, "Style 'Glow' cannot be applied");
  EXPECT_EQ(TStylesUtils::GetActiveTheme(toolkit), "Windows");

  toolkit.RefuseStyles = false;
  EXPECT_TRUE(TStylesUtils::TrySetStyle(toolkit, "luna", true));
  EXPECT_EQ(TStylesUtils::GetActiveTheme(toolkit), "Luna");
  EXPECT_EQ(toolkit.Dialogs.size(), 2u);
}

class ThemeFunctions : public BridgeFixture {
protected:
  ThemeFunctions() { AttachPackage(); }
  std::string SetTheme(const std::string& name) {
    return Call(80003, "{\"name\":\"" + name + "\"}");
  }
};

TEST_F(ThemeFunctions, ListsTheFortyThemesSortedAndStartsInWindows) {
  EXPECT_EQ(Call(80002), Success(JsonArray(kSortedThemes)));
  EXPECT_EQ(Call(80001), Success("\"Windows\""));
  EXPECT_TRUE(Widgets.StyleApplications.empty());
}

TEST_F(ThemeFunctions, SetThemeRepliesWhetherThatExactNameIsActive) {
  struct TCase {
    std::string Name;
    std::string Reply;
    std::string ActiveAfter;
  };
  const TCase cases[] = {
      {"Carbon", "true", "Carbon"},
      {"Nonexistent", "false", "Carbon"},
      {"", "false", "Carbon"},
      {"Carbon", "true", "Carbon"},
      // Only the exact name switches: another letter case changes nothing.
      {"windows10 dark", "false", "Carbon"},
      {"Windows", "true", "Windows"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(SetTheme(c.Name), Success(c.Reply)) << c.Name;
    EXPECT_EQ(Call(80001), Success("\"" + c.ActiveAfter + "\"")) << c.Name;
  }
  EXPECT_EQ(Widgets.StyleApplications, (std::vector<std::string>{"Carbon", "Carbon", "Windows"}));
  // No name gets a message, and none fails.
  EXPECT_TRUE(Widgets.Dialogs.empty());
  EXPECT_TRUE(Boxes.empty());
  // A name that is no text is read as text, as every argument is.
  EXPECT_EQ(Call(80003, R"({"name":42})"), Success("false"));
  EXPECT_EQ(Call(80003, R"({})"), Success("false"));
}

TEST_F(ThemeFunctions, WithoutAPackageShowTheirMessageAndNeverReply) {
  Module.SetExeZip(nullptr);
  EXPECT_EQ(Call(80001), "");
  EXPECT_EQ(Call(80002), "");
  EXPECT_EQ(SetTheme("Carbon"), "");
  EXPECT_EQ(Boxes,
            (std::vector<std::string>{"Calls to qel.themes.getTheme() works only at runtime.",
                                      "Calls to qel.themes.getThemes() works only at runtime.",
                                      "Calls to qel.themes.setTheme() works only at runtime."}));
  EXPECT_TRUE(Widgets.StyleApplications.empty());
}

class StartupTheme : public testing::TStartupFixture {
protected:
  int RunWith(const std::string& extraSettings) {
    Os.ExecutablePath = testing::MakePackagedExe(
        Dir,
        {{"qel.ini", "[App]\nID=demo\nName=Demo\nDirName=web\n" + extraSettings},
         {"WebView2LoaderWin64.dll", "loader"}},
        PackagePassword());
    return Run();
  }
};

TEST_F(StartupTheme, AppliesTheConfiguredThemeBeforeAnyWindow) {
  EXPECT_EQ(RunWith("Theme=Carbon\n"), -1);
  EXPECT_EQ(Toolkit.ActiveStyle(), "Carbon");
  EXPECT_TRUE(Toolkit.Dialogs.empty());
  // Before the password prompt, so that it is styled too.
  Toolkit.Events.clear();
  Toolkit.OnShowModal = [](FakeToolkitWindow& window) { window.Close(); };
  EXPECT_EQ(RunWith("Theme=Glow\nPassword=x\n"), 0);
  ASSERT_GE(Toolkit.Events.size(), 2u);
  EXPECT_EQ(Toolkit.Events[0], "Style Glow");
}

TEST_F(StartupTheme, OnlyTheExactNameWindowsMeansNoStyle) {
  EXPECT_EQ(RunWith(""), -1);
  EXPECT_EQ(RunWith("Theme=Windows\n"), -1);
  EXPECT_TRUE(Toolkit.StyleApplications.empty());
  // Any other spelling goes to the style manager, which matches it.
  EXPECT_EQ(RunWith("Theme=windows\n"), -1);
  EXPECT_EQ(Toolkit.StyleApplications, std::vector<std::string>{"Windows"});
  EXPECT_TRUE(Toolkit.Dialogs.empty());
}

TEST_F(StartupTheme, AnUnknownThemeIsReportedAndStartUpGoesOn) {
  EXPECT_EQ(RunWith("Theme=Nope\n"), -1);
  ASSERT_EQ(DialogTexts(), std::vector<std::string>{"Style 'Nope' not found"});
  EXPECT_EQ(Toolkit.ActiveStyle(), "Windows");
  // The rest of start-up ran.
  EXPECT_EQ(State.WebViewLoaderPath,
            "C:\\Users\\user\\AppData\\Local\\demo\\Win64\\WebView2LoaderWin64.dll");
  EXPECT_EQ(Os.Files[State.WebViewLoaderPath], "loader");
}

} // namespace
} // namespace tessera
