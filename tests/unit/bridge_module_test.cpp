#include "bridge/browser_external_module.h"

#include "bridge_fixture.h"

#include "bridge/handler_bindings.h"
#include "bridge/page_events.h"
#include "package/zip_archive.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace tessera {
namespace {

class BridgeModule : public BridgeFixture {};

TEST_F(BridgeModule, AnswersHelloAndIsRuntimeInTheExactReplyForm) {
  Post(R"({"id":10001,"uuid":"0f8a2c1e-7b3d-4e5f-9a6b-1c2d3e4f5a6b","data":{}})");
  Post(R"({"id":10002,"uuid":"u2","data":{}})");
  AttachPackage();
  Post(R"({"id":10002,"uuid":"u3","data":{}})");
  // An "id" given as text and members in another order work the same.
  Post(R"({"data":{"x":[1]},"uuid":"u4","id":"10001"})");
  EXPECT_EQ(
      WebView.Replies,
      (std::vector<std::string>{
          R"({"uuid": "0f8a2c1e-7b3d-4e5f-9a6b-1c2d3e4f5a6b", "success": true, "result": "2026.1"})",
          R"({"uuid": "u2", "success": true, "result": false})",
          R"({"uuid": "u3", "success": true, "result": true})",
          R"({"uuid": "u4", "success": true, "result": "2026.1"})"}));
  EXPECT_TRUE(Reports.empty());
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(BridgeModule, ReplyFormatInsertsTheResultUnchangedAndTheCallIdAsAString) {
  Module.PostCallSuccess("u1", "true");
  Module.PostCallFailure("u2", "\"Missing url\"");
  Module.PostCallReply("u3", "[1, {\"a\": null}]", true);
  Module.PostCallSuccess("u4", "not json"); // not validated: the web view refuses it
  // A call ID that would break the reply is escaped; the page gets it back.
  Module.PostCallSuccess("a\"b\\c", "true");
  EXPECT_EQ(WebView.Replies, (std::vector<std::string>{
                                 R"({"uuid": "u1", "success": true, "result": true})",
                                 R"({"uuid": "u2", "success": false, "result": "Missing url"})",
                                 R"({"uuid": "u3", "success": true, "result": [1, {"a": null}]})",
                                 R"({"uuid": "u4", "success": true, "result": not json})",
                                 R"({"uuid": "a\"b\\c", "success": true, "result": true})"}));
  const std::optional<TJsonValue> last = ParseJson(WebView.Replies.back());
  ASSERT_TRUE(last.has_value());
  EXPECT_EQ(last->Find("uuid")->Text(), "a\"b\\c");
}

TEST_F(BridgeModule, MalformedRequestsGetNoReplyAndAreReported) {
  AttachPackage();
  const char* requests[] = {
      "",
      "not json",
      "{\"id\":10001,\"uuid\":\"u\",\"data\":{}", // cut short
      "[10001, \"u\", {}]",                       // not an object
      "\"qel-webbrowser-clicked\"",               // a string, with a package
      R"({"uuid":"u","data":{}})",                // no "id"
      R"({"id":10001,"data":{}})",                // no "uuid"
      R"({"id":10001,"uuid":"u"})",               // no "data"
      R"({"id":10001,"uuid":"u","data":null})",
      R"({"id":10001,"uuid":"u","data":[]})",
      R"({"id":10001,"uuid":"u","data":"{}"})",
      R"({"id":10001,"uuid":"u","data":1})",
      R"({"id":{"n":10001},"uuid":"u","data":{}})", // "id" not text
      R"({"id":10001,"uuid":["u"],"data":{}})",     // "uuid" not text
  };
  for (const char* request : requests) {
    Reports.clear();
    if (std::string_view(request).starts_with('"')) {
      Module.EdgeBrowserWebMessageReceived(TBridgeMessage("qel-webbrowser-clicked", request));
    } else {
      Post(request);
    }
    EXPECT_EQ(Reports.size(), 1u) << request;
  }
  EXPECT_TRUE(WebView.Replies.empty());
  EXPECT_TRUE(WebView.Calls.empty());
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(BridgeModule, IdsThatSelectNoHandlerAreIgnoredSilently) {
  for (const char* id :
       {"\"abc\"", "99999", "0", "-10001", "1.5", "10001.0", "1e4", "\"\"", "\" 10001\"",
        "\"10001 \"", "\"0x2711\"", "\"+-10001\"", "99999999999999999999", "true", "null",
        // in the table, handler not built yet
        "60006", "60009", "50002"}) {
    Post(std::string(R"({"id":)") + id + R"(,"uuid":"u","data":{}})");
  }
  EXPECT_TRUE(WebView.Replies.empty());
  EXPECT_TRUE(Reports.empty());
  EXPECT_TRUE(Boxes.empty());
  // Leading zeros and a plus sign still name the function.
  Post(R"({"id":"+010001","uuid":"u","data":{}})");
  EXPECT_EQ(WebView.Replies.size(), 1u);
}

TEST_F(BridgeModule, AppCloseAsksTheOwnerAndNeverReplies) {
  Post(R"({"id":50001,"uuid":"u","data":{}})");
  int requests = 0;
  Module.SetOnAppCloseRequest([&](TBrowserExternalModule& sender) {
    EXPECT_EQ(&sender, &Module);
    ++requests;
  });
  Post(R"({"id":50001,"uuid":"u","data":{}})");
  EXPECT_EQ(requests, 1);
  EXPECT_TRUE(WebView.Replies.empty());
  EXPECT_TRUE(Reports.empty());
}

TEST_F(BridgeModule, AnErrorInsideAHandlerIsReportedAndNeverLeavesTheCallback) {
  WebView.ThrowOnPost = true;
  EXPECT_NO_THROW(Post(R"({"id":10001,"uuid":"u","data":{}})"));
  ASSERT_EQ(Reports.size(), 1u);
  EXPECT_EQ(Reports[0], "qel.hello() failed: post failed");

  // Without a reporter set, the report goes to standard error.
  TBrowserExternalModule quiet{Widgets, Os};
  quiet.SetWebView(&WebView);
  testing::internal::CaptureStderr();
  quiet.EdgeBrowserWebMessageReceived(TBridgeMessage(R"({"id":10001,"uuid":"u","data":{}})"));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("post failed"), std::string::npos);
}

TEST_F(BridgeModule, TheClickedMessageFocusesTheWebViewOnlyWithoutAPackage) {
  const TBridgeMessage clicked("qel-webbrowser-clicked", "\"qel-webbrowser-clicked\"");
  Module.EdgeBrowserWebMessageReceived(clicked);
  EXPECT_EQ(WebView.Calls, (std::vector<std::string>{"FocusContainerWindow", "FocusWebView"}));
  EXPECT_TRUE(WebView.Replies.empty());
  EXPECT_TRUE(Reports.empty());

  // Other strings are requests like any other message: not objects.
  Module.EdgeBrowserWebMessageReceived(TBridgeMessage("hello", "\"hello\""));
  EXPECT_EQ(Reports.size(), 1u);

  // With a package the string is not special.
  WebView.Calls.clear();
  Reports.clear();
  AttachPackage();
  Module.EdgeBrowserWebMessageReceived(clicked);
  EXPECT_TRUE(WebView.Calls.empty());
  EXPECT_TRUE(WebView.Replies.empty());
  EXPECT_EQ(Reports.size(), 1u);

  // The same text posted inside an object is never the click message.
  WebView.Calls.clear();
  Module.SetExeZip(nullptr);
  Post("\"qel-webbrowser-clicked\"");
  EXPECT_TRUE(WebView.Calls.empty());
}

TEST_F(BridgeModule, RuntimeOnlyFunctionsShowTheirMessageWithoutAPackage) {
  std::vector<std::string> expected;
  for (const TBridgeFunction& function : kBridgeFunctions) {
    const bool passes = Module.RuntimeOnly(function);
    EXPECT_EQ(passes, function.RuntimeOnlyMessage.empty()) << function.HandlerName;
    if (!function.RuntimeOnlyMessage.empty()) {
      expected.emplace_back(function.RuntimeOnlyMessage);
    }
  }
  EXPECT_EQ(Boxes, expected);
  EXPECT_EQ(Boxes.size(), 24u);
  EXPECT_TRUE(WebView.Replies.empty());

  Boxes.clear();
  AttachPackage();
  for (const TBridgeFunction& function : kBridgeFunctions) {
    EXPECT_TRUE(Module.RuntimeOnly(function)) << function.HandlerName;
  }
  EXPECT_TRUE(Boxes.empty());
}

TEST_F(BridgeModule, RunsPageEventScripts) {
  Module.RunPageScript(CloseQueryScript());
  Module.RunPageScript(MainMenuItemClickScript(12));
  Module.RunPageScript(TrayMenuItemClickScript(-3));
  Module.RunPageScript(TrayIconClickScript());
  Module.RunPageScript(NotificationClickScript("daily"));
  // A name cannot end the string literal and run as code.
  Module.RunPageScript(NotificationClickScript("x\");alert(1);//\n\xE2\x80\xA8"));
  EXPECT_EQ(WebView.Scripts,
            (std::vector<std::string>{
                "qel.events.onCloseQuery();", "qel.events.onMainMenuItemClick(\"12\");",
                "qel.events.onTrayMenuItemClick(\"-3\");", "qel.events.onTrayIconClick();",
                "qel.events.onNotificationClick(\"daily\");",
                R"(qel.events.onNotificationClick("x\");alert(1);\/\/\n\u2028");)"}));
  EXPECT_TRUE(WebView.Replies.empty());
}

TEST_F(BridgeModule, WithoutAWebViewRepliesAndScriptsAreDropped) {
  Module.SetWebView(nullptr);
  Post(R"({"id":10001,"uuid":"u","data":{}})");
  Module.RunPageScript(TrayIconClickScript());
  Module.EdgeBrowserWebMessageReceived(
      TBridgeMessage("qel-webbrowser-clicked", "\"qel-webbrowser-clicked\""));
  EXPECT_TRUE(Reports.empty());
  EXPECT_TRUE(WebView.Replies.empty());
  EXPECT_TRUE(WebView.Scripts.empty());
}

// Every group's handler is for a function of the table, takes the "data"
// object exactly when the function has arguments, and no ID has two.
TEST(BridgeHandlerBindings, MatchTheFunctionTable) {
  std::set<int> bound;
  for (const std::span<const THandlerBinding> group : AllHandlerBindings({})) {
    for (const THandlerBinding& binding : group) {
      const TBridgeFunction* function = FindBridgeFunction(binding.Id);
      ASSERT_NE(function, nullptr) << binding.Id;
      EXPECT_EQ(function->TakesArguments, binding.Handler.index() == 1) << binding.Id;
      EXPECT_TRUE(bound.insert(binding.Id).second) << binding.Id << " bound twice";
    }
  }
}

} // namespace
} // namespace tessera
