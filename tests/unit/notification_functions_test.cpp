// qel.system.notification and the click that comes back from the
// notification centre.
#include "bridge_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessera {
namespace {

class NotificationFunctions : public BridgeFixture {
protected:
  FakeNotificationCenter& Center() { return *Widgets.NotificationCenters.at(0); }
};

TEST_F(NotificationFunctions, TitleIsAHeadingOnlyOverABodyOtherwiseTheyRunTogether) {
  struct TCase {
    const char* Data;
    FakeNotificationCenter::TNotification Expected;
  };
  const TCase cases[] = {
      {R"({"name":"n1","title":"Saved","body":"All done."})", {"n1", "Saved", "All done."}},
      {R"({"name":"n2","title":"Saved"})", {"n2", "", "Saved"}},
      {R"({"title":"","body":"Just a body"})", {"", "", "Just a body"}},
      {R"({})", {"", "", ""}},
      // Scalars of other kinds come as their JSON text.
      {R"({"name":7,"title":null,"body":true})", {"7", "", "true"}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Call(11005, c.Data), Success("true")) << c.Data;
    ASSERT_FALSE(Center().Presented.empty());
    EXPECT_EQ(Center().Presented.back().Name, c.Expected.Name) << c.Data;
    EXPECT_EQ(Center().Presented.back().Heading, c.Expected.Heading) << c.Data;
    EXPECT_EQ(Center().Presented.back().Text, c.Expected.Text) << c.Data;
  }
  EXPECT_EQ(Center().Presented.size(), std::size(cases));
}

TEST_F(NotificationFunctions, RepliesFalseWhenNothingWasPresented) {
  Center().IsAvailable = false;
  EXPECT_EQ(Call(11005, R"({"title":"Hi"})"), Success("false"));
  EXPECT_TRUE(Reports.empty());

  // A service that refuses the notification: false, and the reason is
  // reported.
  Center().IsAvailable = true;
  Center().PresentError = "the shell refused the icon";
  EXPECT_EQ(Call(11005, R"({"title":"Hi"})"), Success("false"));
  ASSERT_EQ(Reports.size(), 1u);
  EXPECT_NE(Reports[0].find("the shell refused the icon"), std::string::npos);
  EXPECT_TRUE(Center().Presented.empty());

  // A member of the wrong kind: nothing presented, no reply.
  Center().PresentError.clear();
  EXPECT_EQ(Call(11005, R"({"title":"Hi","body":{}})"), "");
  EXPECT_TRUE(Center().Presented.empty());
}

TEST_F(NotificationFunctions, TheReplyWaitsForTheServiceToAnswer) {
  // A service that answers late: the call returns without a reply, and
  // each answer, in turn, gives the page its own.
  Center().AnswerLater = true;
  EXPECT_EQ(Call(11005, R"({"name":"a","title":"First"})"), "");
  Center().IsAvailable = false;
  EXPECT_EQ(Call(11005, R"({"name":"b","title":"Second"})"), "");
  EXPECT_TRUE(WebView.Replies.empty());

  ASSERT_TRUE(Center().AnswerHeld());
  ASSERT_TRUE(Center().AnswerHeld());
  EXPECT_EQ(WebView.Replies, (std::vector<std::string>{Success("true"), Success("false")}));
  EXPECT_FALSE(Center().AnswerHeld());
}

TEST_F(NotificationFunctions, AClickRaisesThePageEventWithTheNameAsAStringLiteral) {
  Center().Click("report-7");
  Center().Click("");
  // A name that would end the string and run code stays a string.
  Center().Click(R"(x");alert(1);(")");
  EXPECT_EQ(WebView.Scripts, (std::vector<std::string>{
                                 R"(qel.events.onNotificationClick("report-7");)",
                                 R"(qel.events.onNotificationClick("");)",
                                 R"(qel.events.onNotificationClick("x\");alert(1);(\"");)",
                             }));
  EXPECT_TRUE(WebView.Replies.empty());
}

} // namespace
} // namespace tessera
