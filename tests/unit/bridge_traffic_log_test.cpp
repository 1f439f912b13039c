#include "bridge/bridge_traffic_log.h"

#include "bridge/browser_external_module.h"
#include "package/zip_archive.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include "bridge_fixture.h"
#include <fstream>

#include <sstream>
#include <string>
#include <vector>

namespace tessera {
namespace {

std::vector<std::string> LinesOf(const std::string& path) {
  std::ifstream in(PathFromUtf8(path), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

class BridgeTrafficLog : public ::testing::Test {
protected:
  BridgeTrafficLog() {
    Module.SetExeZip(&Archive);
    Module.SetWebView(&WebView);
    Module.SetErrorReporter([](const std::string&) {});
  }

  void Post(const std::string& json) { Module.EdgeBrowserWebMessageReceived(TBridgeMessage(json)); }

  testing::TTempDir Dir;
  TZipArchive Archive;
  FakeToolkit Widgets;
  FakeOsServices Os;
  TRecordingWebView WebView;
  TBrowserExternalModule Module{Widgets, Os};
};

TEST_F(BridgeTrafficLog, RecordsRequestsRepliesAndScriptsInOrderAfterWhatTheFileHeld) {
  // A non-ASCII name: the path is UTF-8 on every platform.
  const std::string path = Dir.File("br\xC3\xBC"
                                    "cke.log");
  std::ofstream(PathFromUtf8(path), std::ios::binary) << "earlier run\n";
  TBridgeTrafficLog log(path);
  ASSERT_TRUE(log.IsOpen());
  Module.SetTrafficLog(&log);

  Post(R"({"id":10001,"uuid":"u1","data":{}})");
  Post(R"({"id":"abc","uuid":"u2","data":{}})"); // logged, never answered
  Module.RunPageScript("qel.events.onCloseQuery();");

  EXPECT_EQ(LinesOf(path),
            (std::vector<std::string>{"earlier run", R"(<- {"id":10001,"uuid":"u1","data":{}})",
                                      R"(-> {"uuid": "u1", "success": true, "result": "2026.1"})",
                                      R"(<- {"id":"abc","uuid":"u2","data":{}})",
                                      "js qel.events.onCloseQuery();"}));
}

TEST_F(BridgeTrafficLog, KeepsEveryMessageOnOneLine) {
  const std::string path = Dir.File("bridge.log");
  TBridgeTrafficLog log(path);
  Module.SetTrafficLog(&log);
  Post("{\"id\":10001,\r\n\"uuid\":\"u1\",\n\"data\":{}}");
  Module.RunPageScript("a();\nb();");
  EXPECT_EQ(LinesOf(path),
            (std::vector<std::string>{R"(<- {"id":10001,  "uuid":"u1", "data":{}})",
                                      R"(-> {"uuid": "u1", "success": true, "result": "2026.1"})",
                                      "js a(); b();"}));
}

TEST_F(BridgeTrafficLog, ALogThatCannotBeOpenedLeavesTheBridgeWorking) {
  TBridgeTrafficLog log(Dir.File("missing-folder/bridge.log"));
  EXPECT_FALSE(log.IsOpen());
  Module.SetTrafficLog(&log);
  Post(R"({"id":10002,"uuid":"u1","data":{}})");
  EXPECT_EQ(WebView.Replies,
            (std::vector<std::string>{R"({"uuid": "u1", "success": true, "result": true})"}));
}

} // namespace
} // namespace tessera
