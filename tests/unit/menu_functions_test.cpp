#include "bridge_fixture.h"

#include "base/str_utils.h"

#include <gtest/gtest.h>

#include <string>

namespace tessera {
namespace {

class MenuFunctions : public BridgeFixture {
protected:
  MenuFunctions() {
    AttachPackage();
    MainForm();
  }

  // setItems with the list given as the text of "items".
  std::string SetItems(int id, const std::string& list) {
    return Call(id, "{\"items\":" + TStrUtils::StringToJsonString(list) + "}");
  }
  FakeMenu& MainMenu() { return static_cast<FakeMenu&>(*MainForm().Menu); }
  FakeMenu& TrayMenu() { return static_cast<FakeMenu&>(*Widgets.LastTrayIcon->PopupMenu); }
};

TEST_F(MenuFunctions, BuildsTheMenuAndLeafClicksReachThePageWithTheItemId) {
  EXPECT_EQ(SetItems(12001, R"([{"id": 1, "caption": "File", "items": [
                                  {"id": 2, "caption": "Quit"},
                                  {"id": "x", "caption": "-"},
                                  {"id": -3, "caption": "Off", "enabled": "FALSE"},
                                  {"id": 4, "caption": "Empty", "items": []}]},
                                {"id": 5, "caption": "Help", "enabled": 1}])"),
            Success("true"));
  EXPECT_EQ(MainMenu().Describe(), "File\n  Quit\n  -\n  Off [off]\n  Empty\nHelp\n");

  MainMenu().Items[0]->Click(); // has sub-items: nothing
  MainMenu().Items[0]->Items[0]->Click();
  MainMenu().Items[0]->Items[1]->Click(); // "x" is ID 0
  MainMenu().Items[0]->Items[2]->Click();
  MainMenu().Items[0]->Items[3]->Click(); // empty list: no click handler
  EXPECT_EQ(WebView.Scripts, (std::vector<std::string>{
                                 "qel.events.onMainMenuItemClick(\"2\");",
                                 "qel.events.onMainMenuItemClick(\"0\");",
                                 "qel.events.onMainMenuItemClick(\"-3\");",
                             }));
}

TEST_F(MenuFunctions, AMenuWithItemsIsReplacedOnlyThroughAnEmptyList) {
  SetItems(12001, R"([{"id": 1, "caption": "First"}])");
  EXPECT_EQ(SetItems(12001, R"([{"id": 2, "caption": "Second"}])"), Success("true"));
  EXPECT_EQ(MainMenu().Describe(), "First\n");
  EXPECT_EQ(SetItems(12001, "[]"), Success("true"));
  EXPECT_EQ(MainMenu().Describe(), "");
  SetItems(12001, R"([{"id": 2, "caption": "Second"}])");
  EXPECT_EQ(MainMenu().Describe(), "Second\n");
}

TEST_F(MenuFunctions, ListAndItemFailures) {
  EXPECT_EQ(Call(12001), Failure("\"Missing menu items\""));
  EXPECT_EQ(MainForm().Menu, nullptr); // nothing changes, not even the window's menu

  SetItems(12001, R"([{"id": 1, "caption": "Kept"}])");
  EXPECT_EQ(SetItems(12001, "{\"id\": 1}"), Failure("\"Wrong menu items JSON\""));
  EXPECT_EQ(MainMenu().Describe(), "");

  // A bad item at any depth empties the whole menu and answers once.
  for (const char* list :
       {R"([{"id": 1, "caption": "A"}, {"id": 2}])",
        R"([{"id": 1, "caption": "A", "items": [{"caption": "B"}]}])",
        R"([{"id": 1, "caption": {"x": 1}}])", R"([{"id": 1, "caption": "A", "items": null}])",
        R"([{"id": 1, "caption": "A", "items": {"id": 2}}])"}) {
    EXPECT_EQ(SetItems(12001, list), Failure("\"Wrong menu item JSON\"")) << list;
    EXPECT_EQ(MainMenu().Describe(), "") << list;
  }

  // Conversion errors end the call without a reply; what was built stays.
  EXPECT_EQ(Call(12001, R"({"items": [{"id": 1, "caption": "A"}]})"), "");
  EXPECT_EQ(SetItems(12001, R"([{"id": 1, "caption": "A"}, 7])"), "");
  EXPECT_EQ(MainMenu().Describe(), "A\n");
  SetItems(12001, "[]");
  EXPECT_EQ(SetItems(12001, R"([{"id": 1, "caption": "A", "enabled": "maybe"}])"), "");
}

TEST_F(MenuFunctions, ImagesComeFromThePackageThenBesideTheProgramThenThePath) {
  WebView.AppDir = "/opt/app/";
  Os.Files["/opt/app/icons/open.png"] = "beside";
  Os.Files["/abs/save.png"] = "absolute";
  Os.Files["/opt/app/bad.png"] = "not an image";
  EXPECT_EQ(SetItems(14003, R"([{"id": 1, "caption": "Open", "image": "icons/open.png"},
                                {"id": 2, "caption": "Save", "image": "/abs/save.png"},
                                {"id": 3, "caption": "None", "image": "missing.png"},
                                {"id": 4, "caption": "Bad", "image": "bad.png"}])"),
            Success("true"));
  EXPECT_EQ(TrayMenu().Describe(), "Open <beside>\nSave <absolute>\nNone\nBad\n");
  const TImageCollection& images = Module.BrowserExternalForm().TrayMenu.Images;
  ASSERT_EQ(images.Count(), 2);
  EXPECT_EQ(images[1].Name, "TrayMenuImg1");

  // Updating an image appends to the collection; the item shows the new one.
  EXPECT_EQ(Call(14004, R"({"id": "2", "image": "icons/open.png"})"), Success("true"));
  EXPECT_EQ(images.Count(), 3);
  EXPECT_EQ(TrayMenu().Describe(), "Open <beside>\nSave <beside>\nNone\nBad\n");
  EXPECT_EQ(MainForm().Menu, nullptr); // the tray menu is not the window's
}

TEST_F(MenuFunctions, UpdateItemFindsTheFirstItemWithTheIdDepthFirst) {
  EXPECT_EQ(Call(12002, R"({"id": 1})"), Failure("\"No menu items\""));
  SetItems(12001, R"([{"id": 1, "caption": "A", "items": [{"id": 7, "caption": "Deep"}]},
                      {"id": 7, "caption": "Top"}])");
  EXPECT_EQ(Call(12002, R"({"id": 7, "caption": "Changed", "enabled": false})"), Success("true"));
  EXPECT_EQ(MainMenu().Describe(), "A\n  Changed [off]\nTop\n");
  EXPECT_EQ(Call(12002, R"({"id": 7, "caption": ""})"), Success("true"));
  EXPECT_EQ(Call(12002, R"({"id": 99, "caption": "Nobody"})"), Success("true"));
  EXPECT_EQ(MainMenu().Describe(), "A\n  Changed [off]\nTop\n");

  EXPECT_EQ(Call(12002, R"({"caption": "x"})"), Failure("\"Missing item ID\""));
  EXPECT_EQ(Call(12002, R"({"id": -1})"), Failure("\"Wrong item ID\""));
  EXPECT_EQ(Call(12002, R"({"id": "abc"})"), Failure("\"Wrong item ID\""));
  EXPECT_EQ(Call(12002, R"({"id": 7, "enabled": "perhaps"})"), "");
}

TEST_F(MenuFunctions, TrayIconShowsHidesAndReportsClicks) {
  EXPECT_EQ(Call(14001), Success("true"));
  EXPECT_EQ(Call(14001), Success("true"));
  EXPECT_TRUE(Widgets.LastTrayIcon->Visible());
  EXPECT_EQ(Call(14002), Success("true"));
  EXPECT_FALSE(Widgets.LastTrayIcon->Visible());

  Widgets.LastTrayIcon->Click();
  SetItems(14003, R"([{"id": 9, "caption": "Show"}])");
  TrayMenu().Items[0]->Click();
  EXPECT_EQ(WebView.Scripts, (std::vector<std::string>{"qel.events.onTrayIconClick();",
                                                       "qel.events.onTrayMenuItemClick(\"9\");"}));
}

TEST_F(MenuFunctions, TheMenuBarLeavesTheWindowWithTheModule) {
  {
    TBrowserExternalModule module(Widgets, Os);
    module.SetExeZip(&Archive);
    module.SetMainForm(&MainForm());
    module.SetWebView(&WebView);
    module.EdgeBrowserWebMessageReceived(
        TBridgeMessage(R"({"id":12001,"uuid":"u","data":{"items":"[]"}})"));
    EXPECT_NE(MainForm().Menu, nullptr);
  }
  EXPECT_EQ(MainForm().Menu, nullptr);
}

} // namespace
} // namespace tessera
