// Real pages on the engine, served from memory through WebResourceRequested
// under "file:///" addresses: loading, the page channel in both directions,
// scripts, and the page's notifications.
#include "page_host.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace tessera::testing {
namespace {

using ::testing::Test;

class WebViewPagesTest : public Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(Host.Browser->WebViewCreated()) << "web view not created";
    Host.Reset();
  }

  bool Requested(const std::string& uri) const {
    return std::find(Host.Requests.begin(), Host.Requests.end(), uri) != Host.Requests.end();
  }

  TPageHost& Host = TPageHost::Get();
};

TEST_F(WebViewPagesTest, ServesPackagePagesWithRelativeScriptsAndModules) {
  Host.Serve("index.html", "text/html", R"(<!doctype html><html><head>
<script src="js/app.js"></script>
<script type="module">import {answer} from './mod/dep.js'; chrome.webview.postMessage({module: answer});</script>
<script>new Worker('js/worker.js').onmessage = e => chrome.webview.postMessage({worker: e.data});</script>
</head><body>index</body></html>)");
  Host.Serve("js/app.js", "text/javascript", R"(chrome.webview.postMessage("classic");)");
  Host.Serve("mod/dep.js", "text/javascript", "export const answer = 42;");
  Host.Serve("js/worker.js", "text/javascript",
             "fetch('../data.txt').then(r => r.text()).then(t => postMessage(t));");
  Host.Serve("data.txt", "text/plain", "from a worker");

  ASSERT_TRUE(Host.NavigateAndWait("file:///index.html"));
  ASSERT_TRUE(Host.WaitForMessages(3));

  EXPECT_EQ(Host.Browser->LocationURL(), "file:///index.html");
  for (const char* uri : {"file:///index.html", "file:///js/app.js", "file:///mod/dep.js",
                          "file:///js/worker.js", "file:///data.txt"})
    EXPECT_TRUE(Requested(uri)) << uri;
  // The worker's answer may come before the module's.
  std::set<std::string> messages;
  for (const TReceivedMessage& m : Host.Messages)
    messages.insert(m.Json);
  EXPECT_EQ(messages, (std::set<std::string>{R"("classic")", R"({"module":42})",
                                             R"({"worker":"from a worker"})"}));
  EXPECT_EQ(Host.Messages[0].Source, "file:///index.html");
}

TEST_F(WebViewPagesTest, AnUnansweredRequestFailsTheNavigationAndShowsAnErrorPage) {
  std::vector<std::string> titles;
  Host.Browser->OnDocumentTitleChanged = [&](TCustomEdgeBrowser&, const std::string& title) {
    titles.push_back(title);
  };
  std::vector<bool> errorPages;
  Host.Browser->OnContentLoading = [&](TCustomEdgeBrowser&, bool isErrorPage, std::uint64_t) {
    errorPages.push_back(isErrorPage);
  };
  EXPECT_FALSE(Host.NavigateAndWait("file:///missing<b>.html"));
  EXPECT_TRUE(Requested("file:///missing%3Cb%3E.html"));

  // Then the error page, as part of the navigation that failed: no
  // navigation of its own is reported.
  const std::string title = "Cannot open file:///missing%3Cb%3E.html";
  ASSERT_TRUE(Host.Loop.PumpUntil([&] { return !titles.empty() && titles.back() == title; }));
  Host.Completed.reset();
  const auto [code, text] = Host.Execute("document.body.innerText");
  EXPECT_EQ(code, kSOk);
  EXPECT_NE(text.find("file:///missing%3Cb%3E.html"), std::string::npos) << text;
  EXPECT_NE(text.find("The file was not found."), std::string::npos) << text;
  EXPECT_FALSE(Host.Completed.has_value());
  EXPECT_EQ(errorPages, std::vector<bool>{true});
  EXPECT_EQ(Host.Browser->LocationURL(), "file:///missing%3Cb%3E.html");
}

TEST_F(WebViewPagesTest, ResponsesCarryStatusAndHeaders) {
  Host.Serve("index.html", "text/html", "<!doctype html><p>fetching</p>");
  Host.Serve("data.json", "application/json", R"({"v":1})", 404, "X-Extra: yes");
  ASSERT_TRUE(Host.NavigateAndWait("file:///index.html"));

  Host.Execute(R"(fetch('data.json').then(async r => chrome.webview.postMessage(
      [r.status, r.headers.get('content-type'), r.headers.get('x-extra'), await r.text()])); 0)");
  ASSERT_TRUE(Host.WaitForMessages(1));
  EXPECT_EQ(Host.Messages[0].Json, R"([404,"application/json; charset=utf-8","yes","{\"v\":1}"])");
}

TEST_F(WebViewPagesTest, PageMessagesArriveAsJsonAndAsString) {
  Host.Serve("index.html", "text/html", R"(<!doctype html><script>
chrome.webview.postMessage({b: 1, a: [true, null, "x"], f: function () {}});
chrome.webview.postMessage('say "hi"\n');
</script>)");
  ASSERT_TRUE(Host.NavigateAndWait("file:///index.html"));
  ASSERT_TRUE(Host.WaitForMessages(2));

  // Members in the page's order; what JSON cannot hold is left out.
  EXPECT_EQ(Host.Messages[0].Json, R"({"b":1,"a":[true,null,"x"]})");
  EXPECT_FALSE(Host.Messages[0].Text.has_value());
  EXPECT_EQ(Host.Messages[1].Json, R"("say \"hi\"\n")");
  EXPECT_EQ(Host.Messages[1].Text, "say \"hi\"\n");
}

TEST_F(WebViewPagesTest, PostedJsonReachesThePageAsParsedData) {
  Host.Serve("echo.html", "text/html", R"(<!doctype html><script>
chrome.webview.addEventListener('message', e => chrome.webview.postMessage(e.data));
</script>)");
  ASSERT_TRUE(Host.NavigateAndWait("file:///echo.html"));
  std::shared_ptr<WebView> webView = Host.Browser->DefaultInterface();

  // The page echoes `data` back, so what returns is what the page parsed.
  const std::string posted[] = {
      R"({"uuid":"1","success":true,"result":[1,"two",{"three":3}]})",
      R"("plain text")",
      // A member that an object literal would have taken as its prototype.
      R"({"__proto__":{"p":1},"line":"a\u2028b"})",
      // Lone surrogates, as the bytes of a name that is not UTF-8 travel:
      // JSON allows them, the page keeps them and sends them back.
      R"({"name":"caf\uDCE9\uDC80","pair":"\uD83D\uDE00","high":"\uD800x"})",
  };
  for (const std::string& json : posted)
    EXPECT_EQ(webView->PostWebMessageAsJson(json), kSOk) << json;
  ASSERT_TRUE(Host.WaitForMessages(4));
  EXPECT_EQ(Host.Messages[0].Json, posted[0]);
  EXPECT_EQ(Host.Messages[1].Json, posted[1]);
  EXPECT_EQ(Host.Messages[2].Json, "{\"__proto__\":{\"p\":1},\"line\":\"a\u2028b\"}");
  EXPECT_EQ(Host.Messages[3].Json,
            "{\"name\":\"caf\\udce9\\udc80\",\"pair\":\"\xF0\x9F\x98\x80\",\"high\":\"\\ud800x\"}");

  for (const char* invalid : {"", "{", "{'a':1}", "[1,]", "undefined", "1 2", R"("\uDC8")"})
    EXPECT_EQ(webView->PostWebMessageAsJson(invalid), kEInvalidArg) << invalid;
}

TEST_F(WebViewPagesTest, ExecuteScriptAnswersJson) {
  Host.Serve("index.html", "text/html", "<!doctype html><title>T</title>");
  ASSERT_TRUE(Host.NavigateAndWait("file:///index.html"));
  struct TCase {
    const char* Script;
    const char* Json;
  };
  const TCase cases[] = {
      {"6 * 7", "42"},
      {"'a\"b'", R"("a\"b")"},
      {"var unused = 1; undefined", "null"},
      {"[document.title, null, true]", R"(["T",null,true])"},
  };
  for (const TCase& c : cases) {
    const auto [code, json] = Host.Execute(c.Script);
    EXPECT_EQ(code, kSOk) << c.Script;
    EXPECT_EQ(json, c.Json) << c.Script;
  }
  EXPECT_LT(Host.Execute("throw new Error('boom')").first, 0);
}

TEST_F(WebViewPagesTest, DocumentScriptsAndTheChannelAreTheTopFramesOnly) {
  // Added after the channel, so the channel is there already.
  Host.Browser->DefaultInterface()->AddScriptToExecuteOnDocumentCreated(
      "window.__started = document.readyState + ':' + typeof window.chrome.webview;");
  // The top page passes on what its frame tells it, and posts on the raw
  // handler a message that names a source of its own.
  Host.Serve("top.html", "text/html", R"(<!doctype html><script>
chrome.webview.postMessage('top ' + window.__started);
window.webkit.messageHandlers.tessera.postMessage(['file:///elsewhere.html', '"spoofed"']);
window.addEventListener('message', e => chrome.webview.postMessage(e.data));
</script><iframe src="frame.html"></iframe>)");
  // The frame finds the engine's handler, but nothing it posts there counts.
  Host.Serve("frame.html", "text/html", R"(<!doctype html><script>
const raw = window.webkit.messageHandlers.tessera;
for (const message of [['file:///frame.html', '"frame"'], ['', '"frame"'], ['"frame"'],
                       '"frame"', {frame: 1}, ['"frame"', 'file:///frame.html']])
  raw.postMessage(message);
parent.postMessage('frame ' + window.__started + ' ' + typeof window.chrome, '*');
</script>)");
  ASSERT_TRUE(Host.NavigateAndWait("file:///top.html"));
  ASSERT_TRUE(Host.WaitForMessages(2));
  // A last message from the top, after everything the pages posted.
  Host.Execute("chrome.webview.postMessage('end'); 0");
  ASSERT_TRUE(Host.WaitForMessages(3));

  std::vector<std::string> texts;
  for (const TReceivedMessage& m : Host.Messages) {
    texts.push_back(m.Text.value_or(m.Json));
    EXPECT_EQ(m.Source, "file:///top.html") << m.Json;
  }
  EXPECT_EQ(texts,
            (std::vector<std::string>{"top loading:object", "frame undefined undefined", "end"}));
}

TEST_F(WebViewPagesTest, WithoutTouchInputPagesFindNoTouchEventsAndKeepTheirClicks) {
  // What pages test before they choose "touchend" over "click": creating a
  // TouchEvent, which a desktop WebView2 refuses, in the page as in its
  // frames, while every other event is still made.
  const std::string probe = R"(function probe() {
  let touch = 'created';
  try { document.createEvent('TouchEvent'); } catch (e) { touch = e.name; }
  let lower = 'created';
  try { document.createEvent('touchevent'); } catch (e) { lower = e.name; }
  return [touch, lower, document.createEvent('MouseEvents').type === '',
          'ontouchstart' in window].join(' ');
})";
  Host.Serve("top.html", "text/html",
             "<!doctype html><script>" + probe +
                 R"(
window.addEventListener('message', e => chrome.webview.postMessage([probe(), e.data]));
</script><iframe src="frame.html"></iframe>)");
  Host.Serve("frame.html", "text/html",
             "<!doctype html><script>" + probe + "\nparent.postMessage(probe(), '*');</script>");
  ASSERT_TRUE(Host.NavigateAndWait("file:///top.html"));
  ASSERT_TRUE(Host.WaitForMessages(1));
  EXPECT_EQ(Host.Messages[0].Json, R"(["NotSupportedError NotSupportedError true false",)"
                                   R"("NotSupportedError NotSupportedError true false"])");
}

TEST_F(WebViewPagesTest, ReportsTitleChanges) {
  std::vector<std::string> titles;
  Host.Browser->OnDocumentTitleChanged = [&](TCustomEdgeBrowser&, const std::string& title) {
    titles.push_back(title);
  };
  Host.Serve("index.html", "text/html", R"(<!doctype html><title>First</title><script>
setTimeout(() => { document.title = 'Second'; }, 0);
</script>)");
  ASSERT_TRUE(Host.NavigateAndWait("file:///index.html"));
  ASSERT_TRUE(Host.Loop.PumpUntil([&] { return !titles.empty() && titles.back() == "Second"; }));
  EXPECT_NE(std::find(titles.begin(), titles.end(), "First"), titles.end());
  EXPECT_EQ(Host.Browser->DocumentTitle(), "Second");
}

TEST_F(WebViewPagesTest, ReportsANavigationInOrderAndCanCancelOne) {
  Host.Serve("a.html", "text/html", "<!doctype html>a");
  Host.Serve("b.html", "text/html", "<!doctype html>b");
  ASSERT_TRUE(Host.NavigateAndWait("file:///a.html"));

  std::vector<std::string> events;
  std::uint64_t startedId = 0;
  std::uint64_t loadingId = 0;
  bool cancel = false;
  Host.Browser->OnNavigationStarting = [&](TCustomEdgeBrowser&,
                                           TNavigationStartingEventArgs& args) {
    std::string uri;
    args.ArgsInterface().GetUri(uri);
    args.ArgsInterface().GetNavigationId(startedId);
    events.push_back("starting " + uri);
    if (cancel)
      args.ArgsInterface().PutCancel(true);
  };
  Host.Browser->OnSourceChanged = [&](TCustomEdgeBrowser&, bool isNewDocument) {
    events.push_back(std::string("source ") + (isNewDocument ? "new" : "same"));
  };
  Host.Browser->OnContentLoading = [&](TCustomEdgeBrowser&, bool, std::uint64_t id) {
    loadingId = id;
    events.push_back("loading");
  };

  ASSERT_TRUE(Host.NavigateAndWait("file:///b.html"));
  EXPECT_EQ(events, (std::vector<std::string>{"starting file:///b.html", "source new", "loading"}));
  EXPECT_EQ(loadingId, startedId);

  // A fragment change stays in the document.
  events.clear();
  Host.Execute("location.hash = 'part'; 0");
  ASSERT_TRUE(Host.Loop.PumpUntil([&] { return !events.empty(); }));
  EXPECT_EQ(events, (std::vector<std::string>{"source same"}));
  EXPECT_EQ(Host.Browser->LocationURL(), "file:///b.html#part");

  events.clear();
  cancel = true;
  EXPECT_FALSE(Host.NavigateAndWait("file:///a.html"));
  EXPECT_EQ(Host.Completed->second, 14); // operation canceled
  EXPECT_EQ(events, (std::vector<std::string>{"starting file:///a.html"}));
  EXPECT_EQ(Host.Browser->LocationURL(), "file:///b.html#part");
  EXPECT_TRUE(Host.Browser->CanGoBack());
}

} // namespace
} // namespace tessera::testing
