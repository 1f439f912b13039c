// The engine-independent rules of the WebKitGTK binding: package addresses,
// resource filter patterns, response header blocks, the message script
// literal, the error page, and ending a browser process.
#include "platform/webkitgtk/package_urls.h"
#include "platform/webkitgtk/page_channel.h"
#include "platform/webkitgtk/web_resource_response.h"
#include "platform/webkitgtk/webkitgtk_platform.h"

#include "glib_test_loop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace tessera::webkitgtk {
namespace {

TEST(PackageUrlsTest, MapsFileAddressesBothWays) {
  struct TCase {
    const char* Portable;
    const char* Engine;
  };
  const TCase cases[] = {
      {"file:///index.html", "tessera://localhost/index.html"},
      {"file:///js/app.js?v=2#top", "tessera://localhost/js/app.js?v=2#top"},
      {"file:///my%20page.html", "tessera://localhost/my%20page.html"},
      {"file:///", "tessera://localhost/"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(ToEngineUri(c.Portable), c.Engine);
    EXPECT_EQ(ToPortableUri(c.Engine), c.Portable);
  }
  // The scheme in any case on the way in; what the engine reports as the
  // bare origin on the way out.
  EXPECT_EQ(ToEngineUri("FILE:///A.html"), "tessera://localhost/A.html");
  EXPECT_EQ(ToPortableUri("tessera://localhost"), "file:///");
  // Everything else passes untouched.
  for (const char* other : {"https://example.com/x", "about:blank", "file://server/share/x",
                            "tessera://otherhost/x", "data:text/html,hi"}) {
    EXPECT_EQ(ToEngineUri(other), other);
    EXPECT_EQ(ToPortableUri(other), other);
  }
}

TEST(PackageUrlsTest, MatchesFilterPatterns) {
  struct TCase {
    const char* Pattern;
    const char* Uri;
    bool Matches;
  };
  const TCase cases[] = {
      {"*", "file:///index.html", true},
      {"*", "", true},
      {"file:///*", "file:///js/app.js", true},
      {"file:///*", "https://example.com/", false},
      {"*.js", "file:///js/app.js", true},
      {"*.js", "file:///js/app.json", false},
      {"file:///*/*.png", "file:///img/a/b.png", true},
      {"file:///index.html", "file:///index.html", true},
      {"file:///index.html", "file:///index.htm", false},
      {"", "file:///x", false},
      {"a*b*c", "aXXbYYbZZc", true},
      {"a*b*c", "aXXbYYbZZ", false},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(MatchesUriPattern(c.Pattern, c.Uri), c.Matches) << c.Pattern << " ~ " << c.Uri;
}

TEST(PackageUrlsTest, SplitsHeaderBlocks) {
  EXPECT_EQ(ParseHeaderBlock("Content-Type: text/html; charset=utf-8"),
            (std::vector<THeaderLine>{{"Content-Type", "text/html; charset=utf-8"}}));
  EXPECT_EQ(ParseHeaderBlock("A: 1\r\nB:2\n  C :  three  \r\n"),
            (std::vector<THeaderLine>{{"A", "1"}, {"B", "2"}, {"C", "three"}}));
  // Lines without a name or a colon carry nothing.
  EXPECT_EQ(ParseHeaderBlock("no colon\r\n: empty name\r\n\r\nX-Ok: a:b"),
            (std::vector<THeaderLine>{{"X-Ok", "a:b"}}));
  EXPECT_TRUE(ParseHeaderBlock("").empty());
}

TEST(PackageUrlsTest, QuotesScriptStringLiterals) {
  EXPECT_EQ(JavaScriptStringLiteral(R"({"a":"q\"b\\"})"), R"("{\"a\":\"q\\\"b\\\\\"}")");
  EXPECT_EQ(JavaScriptStringLiteral("line\nfeed\ttab\x01"), R"("line\u000afeed\u0009tab\u0001")");
  // U+2028 and U+2029 escaped, other UTF-8 kept as it is.
  EXPECT_EQ(JavaScriptStringLiteral("a\u2028b\u2029c\u00e9"), "\"a\\u2028b\\u2029c\u00e9\"");
}

TEST(PackageUrlsTest, ErrorPagesShowAddressAndReasonAsText) {
  const std::string page = ErrorPageHtml("file:///<script>x()</script>&'\".html", "Gone <now>");
  EXPECT_NE(page.find("<title>Cannot open file:///&lt;script&gt;x()&lt;/script&gt;&amp;&#39;&quot;"
                      ".html</title>"),
            std::string::npos)
      << page;
  EXPECT_NE(page.find("<p>Gone &lt;now&gt;</p>"), std::string::npos) << page;
  // Nothing of the texts runs: the page holds no script at all.
  EXPECT_EQ(page.find("<script"), std::string::npos) << page;
}

// A child process that sleeps until it is killed, or ends by itself after
// `lifetimeMs`.
pid_t StartChild(unsigned lifetimeMs) {
  const pid_t pid = fork();
  if (pid == 0) {
    usleep(lifetimeMs * 1000);
    _exit(0);
  }
  return pid;
}

TEST(EndBrowserProcessTest, KillsOnlyAfterTheWaitAndOnlyThatProcess) {
  testing::TGlibTestLoop loop;
  WebKitGtkPlatform platform(loop);

  // Still running after the wait: killed, and the call took the wait.
  const pid_t stubborn = StartChild(60000);
  ASSERT_GT(stubborn, 0);
  const auto start = std::chrono::steady_clock::now();
  platform.EndBrowserProcess(static_cast<std::uint32_t>(stubborn), 200, 1);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
  EXPECT_NE(kill(stubborn, 0), 0);

  // Ending by itself within the wait: the call returns early (well before
  // the end of a long wait, however busy the machine).
  const pid_t quick = StartChild(50);
  const auto quickStart = std::chrono::steady_clock::now();
  platform.EndBrowserProcess(static_cast<std::uint32_t>(quick), 120000, 1);
  EXPECT_LT(std::chrono::steady_clock::now() - quickStart, std::chrono::seconds(60));

  // Ids that kill() would read as a group or as every process are refused:
  // a bystander child survives them.
  const pid_t bystander = StartChild(60000);
  for (std::uint32_t id : {0u, 0xFFFFFFFFu, 0x80000000u})
    platform.EndBrowserProcess(id, 0, 1);
  EXPECT_EQ(kill(bystander, 0), 0);
  kill(bystander, SIGKILL);
  waitpid(bystander, nullptr, 0);
}

} // namespace
} // namespace tessera::webkitgtk
