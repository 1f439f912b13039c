// The notification centre against a server of our own on a bus of our own:
// a server that answers slowly holds nothing up, a click comes back as the
// server reports it, and without a server the answer is "no service"
// instead of a wait.
#include "platform/gtk/toolkit_notification_center_gtk.h"

#include "fake_notification_server.h"
#include "gtk_test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace tessera {
namespace {

using testing_gtk::PumpUntil;
using testing_gtk::TFakeNotificationServer;
using testing_gtk::TIsolatedBus;

// What a Present call was answered, once it was.
struct TAnswer {
  std::optional<TNotificationOutcome> Outcome;
  std::string Reason;

  ToolkitNotificationCenter::TPresented Receiver() {
    return [this](TNotificationOutcome outcome, const std::string& reason) {
      EXPECT_FALSE(Outcome.has_value()) << "answered twice";
      Outcome = outcome;
      Reason = reason;
    };
  }
  bool Given() const { return Outcome.has_value(); }
};

class GtkNotificationServer : public ::testing::Test {
protected:
  void SetUp() override {
    if (!Bus.Up())
      GTEST_SKIP() << "dbus-daemon is not installed or does not start";
  }

  // A server on the bus, answering each call after `delayMs`.
  std::unique_ptr<TFakeNotificationServer> StartServer(int delayMs, bool bodyMarkup) {
    auto server = std::make_unique<TFakeNotificationServer>(Bus.Address(), delayMs, bodyMarkup);
    EXPECT_TRUE(server->WaitReady()) << "the server took no name on the bus";
    return server;
  }

  TIsolatedBus Bus;
};

TEST_F(GtkNotificationServer, ASlowServerHoldsNothingUpAndItsAnswerComesLater) {
  // Each call (capabilities, then the notification) waits three seconds;
  // a centre that waited for them would stop the loop as long.
  auto server = StartServer(3000, false);
  gtk::GtkNotificationCenter center(Bus.Address());
  int ticks = 0;
  const guint ticker = g_timeout_add(
      20,
      [](gpointer data) -> gboolean {
        ++*static_cast<int*>(data);
        return G_SOURCE_CONTINUE;
      },
      &ticks);

  TAnswer answer;
  center.Present("slow", "Export done", "Saved to report.pdf", answer.Receiver());
  EXPECT_FALSE(answer.Given()) << "answered before the server did";
  ASSERT_TRUE(PumpUntil([&] { return answer.Given(); }));
  g_source_remove(ticker);
  EXPECT_EQ(answer.Outcome, TNotificationOutcome::Presented) << answer.Reason;
  // Six seconds of waiting give some 300 ticks on an idle machine.
  EXPECT_GE(ticks, 20) << "the loop stood still while the server took its time";

  const auto received = server->Received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].Summary, "Export done");
  EXPECT_EQ(received[0].Body, "Saved to report.pdf");
  EXPECT_EQ(received[0].Actions, (std::vector<std::string>{"default", "Open"}));
  EXPECT_FALSE(received[0].Application.empty());
  EXPECT_EQ(center.OpenCount(), 1u);
}

TEST_F(GtkNotificationServer, TheDefaultActionOfANotificationOfOursIsItsClick) {
  auto server = StartServer(0, true);
  gtk::GtkNotificationCenter center(Bus.Address());
  std::vector<std::string> clicks;
  center.OnClick = [&](const std::string& name) { clicks.push_back(name); };

  TAnswer first;
  TAnswer second;
  center.Present(R"(report "7")", "Markup", "<b>bold</b> & more", first.Receiver());
  center.Present("plain", "", "Only a line", second.Receiver());
  ASSERT_TRUE(PumpUntil([&] { return first.Given() && second.Given(); }));
  EXPECT_EQ(first.Outcome, TNotificationOutcome::Presented);
  EXPECT_EQ(second.Outcome, TNotificationOutcome::Presented);
  const auto received = server->Received();
  ASSERT_EQ(received.size(), 2u);
  // The server reads markup, so the body goes escaped; without a heading
  // the text is the summary alone.
  EXPECT_EQ(received[0].Body, "&lt;b&gt;bold&lt;/b&gt; &amp; more");
  EXPECT_EQ(received[1].Summary, "Only a line");
  EXPECT_EQ(received[1].Body, "");

  // Another action, an ID that is not ours and a closed notification's
  // click are no clicks; the signals arrive in order, so once the last
  // click is there the others have been and gone.
  server->ActionInvoked(1, "other");
  server->ActionInvoked(77, "default");
  server->NotificationClosed(2);
  server->ActionInvoked(2, "default");
  server->ActionInvoked(1, "default");
  ASSERT_TRUE(PumpUntil([&] { return !clicks.empty(); }));
  EXPECT_EQ(clicks, std::vector<std::string>{R"(report "7")"});
  EXPECT_EQ(center.OpenCount(), 1u);

  // A handler that throws does not take the loop down, and the next click
  // still arrives.
  center.OnClick = [](const std::string&) { throw std::runtime_error("page gone"); };
  server->ActionInvoked(1, "default");
  TAnswer third;
  center.Present("third", "", "Again", third.Receiver());
  ASSERT_TRUE(PumpUntil([&] { return third.Given(); }));
  center.OnClick = [&](const std::string& name) { clicks.push_back(name); };
  server->ActionInvoked(3, "default");
  ASSERT_TRUE(PumpUntil([&] { return clicks.size() == 2; }));
  EXPECT_EQ(clicks.back(), "third");
}

TEST_F(GtkNotificationServer, ACentreThatIsGoneHearsNothingMore) {
  auto server = StartServer(1000, false);
  TAnswer gone;
  int goneClicks = 0;
  {
    gtk::GtkNotificationCenter center(Bus.Address());
    center.OnClick = [&](const std::string&) { ++goneClicks; };
    center.Present("gone", "", "Soon gone", gone.Receiver());
    // Gone while the server holds its answer back.
    ASSERT_TRUE(PumpUntil([&] { return server->Received().size() == 1; }));
  }
  // Another centre's answer and click, which come after whatever the
  // first one would have had.
  gtk::GtkNotificationCenter center(Bus.Address());
  std::vector<std::string> clicks;
  center.OnClick = [&](const std::string& name) { clicks.push_back(name); };
  TAnswer kept;
  center.Present("kept", "", "Still here", kept.Receiver());
  ASSERT_TRUE(PumpUntil([&] { return kept.Given(); }));
  EXPECT_EQ(kept.Outcome, TNotificationOutcome::Presented);
  ASSERT_EQ(server->Received().size(), 2u);
  server->ActionInvoked(1, "default");
  server->ActionInvoked(2, "default");
  ASSERT_TRUE(PumpUntil([&] { return !clicks.empty(); }));
  EXPECT_EQ(clicks, std::vector<std::string>{"kept"});
  EXPECT_FALSE(gone.Given());
  EXPECT_EQ(goneClicks, 0);
}

TEST_F(GtkNotificationServer, WithoutAServerOrABusTheAnswerIsNoService) {
  // The bus is there but nobody owns the name, and this bus starts nobody.
  gtk::GtkNotificationCenter center(Bus.Address());
  TAnswer unowned;
  center.Present("n", "Heading", "Text", unowned.Receiver());
  EXPECT_FALSE(unowned.Given());
  ASSERT_TRUE(PumpUntil([&] { return unowned.Given(); }));
  EXPECT_EQ(unowned.Outcome, TNotificationOutcome::NoService);
  EXPECT_EQ(center.OpenCount(), 0u);

  // A server that comes later is found by the next notification.
  auto server = StartServer(0, false);
  TAnswer later;
  center.Present("n", "", "Text", later.Receiver());
  ASSERT_TRUE(PumpUntil([&] { return later.Given(); }));
  EXPECT_EQ(later.Outcome, TNotificationOutcome::Presented);

  // No bus at all.
  gtk::GtkNotificationCenter nowhere("unix:path=/nonexistent/tessera-bus");
  TAnswer noBus;
  nowhere.Present("n", "", "Text", noBus.Receiver());
  ASSERT_TRUE(PumpUntil([&] { return noBus.Given(); }));
  EXPECT_EQ(noBus.Outcome, TNotificationOutcome::NoService);
}

} // namespace
} // namespace tessera
