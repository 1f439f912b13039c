#include "bridge_fixture.h"

#include "functions/window_values.h"
#include "package/project_ini.h"

#include <gtest/gtest.h>

#include <string>

namespace tessera {
namespace {

class AppWindowFunctions : public BridgeFixture {
protected:
  AppWindowFunctions() {
    AttachPackage();
    MainForm().SetBounds(10, 20, 800, 600);
  }
};

TEST_F(AppWindowFunctions, WithoutAPackageOnlyTheRuntimeOnlyFunctionsShowTheirMessage) {
  Module.SetExeZip(nullptr);
  for (const TBridgeFunction& function : kBridgeFunctions) {
    if (function.Id < 50002 || function.Id > 60012)
      continue;
    Boxes.clear();
    const std::string reply = Call(function.Id, R"({"url":"x","factor":"1"})");
    if (function.RuntimeOnlyMessage.empty()) {
      EXPECT_TRUE(Boxes.empty()) << function.PageName;
      EXPECT_NE(reply, "") << function.PageName;
    } else {
      EXPECT_EQ(Boxes, std::vector<std::string>{std::string(function.RuntimeOnlyMessage)});
      EXPECT_EQ(reply, "") << function.PageName;
    }
  }
  EXPECT_EQ(MainForm().BorderStyle(), TBorderStyle::Sizeable);
}

TEST_F(AppWindowFunctions, FullScreenGoesFramelessAndMaximizedAndBackToTheConfiguredFrame) {
  EXPECT_EQ(Call(50002), Success("false"));
  EXPECT_EQ(Call(50003), ""); // never replies
  EXPECT_EQ(MainForm().BorderStyle(), TBorderStyle::None);
  EXPECT_EQ(MainForm().WindowState(), TWindowState::Maximized);
  EXPECT_EQ(Call(50002), Success("true"));

  // A second enter changes nothing, even after the frame was changed.
  MainForm().SetBorderStyle(TBorderStyle::Single);
  Call(50003);
  EXPECT_EQ(MainForm().BorderStyle(), TBorderStyle::Single);

  // Exit restores the configured frame, not the one before: sizeable without
  // the setting, the setting's otherwise.
  EXPECT_EQ(Call(50004), "");
  EXPECT_EQ(MainForm().WindowState(), TWindowState::Normal);
  EXPECT_EQ(MainForm().BorderStyle(), TBorderStyle::Sizeable);
  EXPECT_EQ(Call(50002), Success("false"));
  Call(50004); // not in full screen: nothing
  EXPECT_EQ(MainForm().BorderStyle(), TBorderStyle::Sizeable);

  TProjectINI ini;
  ini.LoadFromText("[App]\nWindowBorder=3\n");
  Module.SetProjectINI(&ini);
  Call(50003);
  Call(50004);
  EXPECT_EQ(MainForm().BorderStyle(), TBorderStyle::Dialog);
}

TEST_F(AppWindowFunctions, GetArgsListsEveryArgumentAsJsonStringsAfterTheProgramsFullPath) {
  Os.ExecutablePath = "C:\\App\\app.exe";
  // Started as typed: the first item is still the program's full path.
  Os.CommandLine = {"app", "one", "two words", "say \"hi\""};
  EXPECT_EQ(Call(50005), Success(R"(["C:\\App\\app.exe","one","two words","say \"hi\""])"));
}

TEST_F(AppWindowFunctions, NavigateNeedsAUrlAndPassesItUnchanged) {
  EXPECT_EQ(Call(50006), Failure("\"Missing url\""));
  EXPECT_EQ(Call(50006, R"({"url":""})"), Failure("\"Missing url\""));
  EXPECT_EQ(Call(50006, R"({"url":" page.html?a=1 "})"), Success("true"));
  EXPECT_EQ(WebView.Calls, std::vector<std::string>{"Navigate  page.html?a=1 "});
}

TEST_F(AppWindowFunctions, StyleStateTitleAndBorderByTheirExactNames) {
  EXPECT_EQ(Call(60001), Success("\"normal\""));
  EXPECT_EQ(Call(60002, R"({"style":"ontop"})"), Success("true"));
  EXPECT_EQ(Call(60001), Success("\"ontop\""));
  EXPECT_EQ(Call(60002, R"({"style":"OnTop"})"), Success("true"));
  EXPECT_EQ(Call(60001), Success("\"normal\""));

  EXPECT_EQ(Call(60004, R"({"state":"maximized"})"), Success("true"));
  EXPECT_EQ(Call(60003), Success("\"maximized\""));
  EXPECT_EQ(Call(60004, R"({"state":"Minimized"})"), Success("true"));
  EXPECT_EQ(Call(60003), Success("\"maximized\""));
  EXPECT_EQ(Call(60004), Success("true")); // default "normal"
  EXPECT_EQ(Call(60003), Success("\"normal\""));

  EXPECT_EQ(Call(60006, R"({"title":"A \"quoted\" title"})"), Success("true"));
  EXPECT_EQ(Call(60005), Success(R"("A \"quoted\" title")"));
  EXPECT_EQ(Call(60006), Success("true"));
  EXPECT_EQ(MainForm().Caption(), "");

  EXPECT_EQ(Call(60011), Success("\"sizeable\""));
  EXPECT_EQ(Call(60012, R"({"border":"toolwindow"})"), ""); // never replies
  EXPECT_EQ(Call(60011), Success("\"toolwindow\""));
  Call(60012, R"({"border":"Dialog"})");
  EXPECT_EQ(MainForm().BorderStyle(), TBorderStyle::ToolWindow);
  Call(60012); // default "sizeable"
  EXPECT_EQ(MainForm().BorderStyle(), TBorderStyle::Sizeable);
}

TEST_F(AppWindowFunctions, WithTheTrayIconShownAMinimizedWindowIsHidden) {
  MainForm().Show();
  Call(14001);
  Call(60004, R"({"state":"minimized"})");
  EXPECT_FALSE(MainForm().Visible());
  Call(60004, R"({"state":"normal"})");
  EXPECT_TRUE(MainForm().Visible());
  EXPECT_EQ(MainForm().BroughtToFront, 1);

  Call(14002);
  Call(60004, R"({"state":"minimized"})");
  EXPECT_TRUE(MainForm().Visible());
}

TEST_F(AppWindowFunctions, WithoutATrayToShowTheIconAMinimizedWindowStaysReachable) {
  // The page asked for the icon, but the desktop has no tray to show it: a
  // window hidden into it could never be brought back.
  MainForm().Show();
  Call(14001);
  Widgets.LastTrayIcon->DesktopHasTray = false;
  Call(60004, R"({"state":"minimized"})");
  EXPECT_TRUE(MainForm().Visible());
  EXPECT_EQ(MainForm().WindowState(), TWindowState::Minimized);
}

TEST_F(AppWindowFunctions, ZoomReadsInTheLocaleFormAndSetsWithAPointOnly) {
  WebView.Zoom = 1.25;
  Os.DecimalSeparator = ",";
  EXPECT_EQ(Call(60007), Success("\"1,25\""));
  WebView.Zoom = 1;
  EXPECT_EQ(Call(60007), Success("\"1\""));

  struct TCase {
    const char* Data;
    const char* Result;
    double Zoom;
  };
  for (const TCase& c :
       {TCase{R"({"factor":1.5})", "true", 1.5}, TCase{R"({"factor":"0.75"})", "true", 0.75},
        TCase{R"({"factor":"1,5"})", "false", 1.0}, TCase{R"({"factor":"abc"})", "false", 1.0},
        TCase{R"({})", "false", 1.0}}) {
    WebView.Zoom = 2;
    EXPECT_EQ(Call(60008, c.Data), Success(c.Result)) << c.Data;
    EXPECT_EQ(WebView.Zoom, c.Zoom) << c.Data;
  }
}

TEST_F(AppWindowFunctions, SizeReadsAndSetsTheOuterBounds) {
  EXPECT_EQ(Call(60009), Success(R"({"top": 20, "left": 10, "width": 800, "height": 600})"));
  EXPECT_EQ(Call(60010, R"({"width":1024})"), Success("true"));
  EXPECT_EQ(MainForm().Bounds(), (TBoundsRect{10, 20, 1034, 620}));
  EXPECT_EQ(Call(60010, R"({"width":"640.7","left":"-5","top":"x","height":"480px"})"),
            Success("true"));
  EXPECT_EQ(MainForm().Bounds(), (TBoundsRect{-5, 0, 635, 480}));
}

TEST_F(AppWindowFunctions, AnObjectArgumentEndsTheCallWithoutAReply) {
  EXPECT_EQ(Call(60006, R"({"title":{"a":1}})"), "");
  EXPECT_EQ(Call(60010, R"({"top":1,"left":[2]})"), "");
  EXPECT_EQ(MainForm().Bounds(), (TBoundsRect{10, 20, 810, 620}));
  EXPECT_EQ(Reports.size(), 2u);
}

TEST(WindowValues, LeadingIntegerTakesTheDigitsBeforeAnythingElse) {
  struct TCase {
    const char* Text;
    std::int32_t Value;
  };
  for (const TCase& c : {TCase{"640", 640}, TCase{"640.7", 640}, TCase{" -12px", -12},
                         TCase{"+7", 7}, TCase{"abc", 0}, TCase{"", 0}, TCase{"-", 0},
                         TCase{"99999999999", 2147483647}, TCase{"-99999999999", -2147483647 - 1}})
    EXPECT_EQ(LeadingInteger(c.Text), c.Value) << c.Text;
}

TEST(WindowValues, ZoomFactorTextIsShortestWithUpToFifteenDigits) {
  EXPECT_EQ(ZoomFactorText(1.0, "."), "1");
  EXPECT_EQ(ZoomFactorText(1.1, ","), "1,1");
  EXPECT_EQ(ZoomFactorText(0.1 + 0.2, "."), "0.3");
  EXPECT_EQ(ZoomFactorText(1.0 / 3.0, "."), "0.333333333333333");
  // Exponents as printf writes them on every system: a sign, two digits.
  EXPECT_EQ(ZoomFactorText(1e20, ","), "1e+20");
  EXPECT_EQ(ZoomFactorText(1.5e-5, ","), "1,5e-05");
  EXPECT_EQ(ZoomFactorText(-0.25, "\xD9\xAB"), "-0\xD9\xAB"
                                               "25");
  for (const char* bad : {"", " 1", "1 ", "1,5", "inf", "nan", "-", ".", "1e", "0x10"})
    EXPECT_FALSE(ZoomFactorFromText(bad).has_value()) << bad;
  EXPECT_EQ(ZoomFactorFromText("+2.5e-1"), 0.25);
  EXPECT_EQ(ZoomFactorFromText(".5"), 0.5);
}

} // namespace
} // namespace tessera
