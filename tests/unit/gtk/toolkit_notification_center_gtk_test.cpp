// Desktop notifications on the session bus. Without a session bus the
// service is unavailable; with one (the suite runs these again under
// dbus-run-session) dunst is started as the notification server, shows what
// is presented and invokes the default action as a click does.
#include "platform/gtk/toolkit_gtk.h"
#include "platform/gtk/toolkit_notification_center_gtk.h"

#include "gtk_test_support.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace tessera {
namespace {

using testing_gtk::PumpUntil;

bool HaveSessionBus() {
  return g_getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr;
}

// Whether a notification server holds its name on the session bus; asking
// this starts no server.
bool ServerRuns() {
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
  if (bus == nullptr) {
    return false;
  }
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
      g_variant_new("(s)", "org.freedesktop.Notifications"), G_VARIANT_TYPE("(b)"),
      G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr);
  gboolean owned = FALSE;
  if (reply != nullptr) {
    g_variant_get(reply, "(b)", &owned);
    g_variant_unref(reply);
  }
  g_object_unref(bus);
  return owned != FALSE;
}

// Runs a command to its end; its standard output, or nothing when it failed.
std::string RunCommand(std::vector<std::string> args) {
  std::vector<gchar*> argv;
  for (std::string& arg : args) {
    argv.push_back(arg.data());
  }
  argv.push_back(nullptr);
  gchar* out = nullptr;
  gint status = -1;
  if (!g_spawn_sync(nullptr, argv.data(), nullptr, G_SPAWN_SEARCH_PATH, nullptr, nullptr, &out,
                    nullptr, &status, nullptr)) {
    return "";
  }
  std::string text = out != nullptr ? out : "";
  g_free(out);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? text : "";
}

// Presents and waits for the server's answer.
TNotificationOutcome PresentAndWait(ToolkitNotificationCenter& center, const std::string& name,
                                    const std::string& heading, const std::string& text) {
  std::optional<TNotificationOutcome> answer;
  center.Present(name, heading, text,
                 [&](TNotificationOutcome outcome, const std::string&) { answer = outcome; });
  EXPECT_TRUE(PumpUntil([&] { return answer.has_value(); })) << "no answer";
  return answer.value_or(TNotificationOutcome::Refused);
}

// dunst on the test's display and bus, ended with the test.
class TDunst : public testing_gtk::TScopedProgram {
public:
  TDunst() : TScopedProgram("dunst", {}) {}
};

TEST(ToolkitNotificationCenterGtk, WithoutASessionBusTheServiceIsUnavailable) {
  if (HaveSessionBus()) {
    GTEST_SKIP() << "a session bus is there";
  }
  // No bus at all: an address that leads nowhere also keeps GLib from
  // launching a bus of its own for the display.
  g_setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tessera-bus", TRUE);
  auto toolkit = CreateGtkToolkit();
  auto center = toolkit->CreateNotificationCenter();
  EXPECT_EQ(PresentAndWait(*center, "n", "Heading", "Text"), TNotificationOutcome::NoService);
  g_unsetenv("DBUS_SESSION_BUS_ADDRESS");
}

TEST(ToolkitNotificationCenterGtk, DunstShowsTheNotificationAndItsDefaultActionIsTheClick) {
  if (!HaveSessionBus()) {
    GTEST_SKIP() << "needs a session bus (dbus-run-session)";
  }
  TDunst dunst;
  if (!dunst.Running()) {
    GTEST_SKIP() << "dunst is not installed";
  }
  ASSERT_TRUE(PumpUntil(ServerRuns)) << "dunst took no name on the bus";
  auto toolkit = CreateGtkToolkit();
  auto center = toolkit->CreateNotificationCenter();
  auto& shown = dynamic_cast<gtk::GtkNotificationCenter&>(*center);
  std::vector<std::string> clicks;
  center->OnClick = [&](const std::string& name) { clicks.push_back(name); };
  ASSERT_EQ(PresentAndWait(*center, R"(report "7")", "Export done", "Saved to report.pdf"),
            TNotificationOutcome::Presented);
  EXPECT_EQ(shown.OpenCount(), 1u);
  ASSERT_TRUE(PumpUntil([] { return RunCommand({"dunstctl", "count", "displayed"}) == "1\n"; }));
  // The click: dunst invokes the default action of the first notification.
  RunCommand({"dunstctl", "action", "0"});
  ASSERT_TRUE(PumpUntil([&] { return !clicks.empty(); }));
  EXPECT_EQ(clicks, std::vector<std::string>{R"(report "7")"});

  // The server got the heading as the summary and the text as the body;
  // a notification without a heading is its text alone.
  ASSERT_EQ(PresentAndWait(*center, "plain", "", "Only a line"), TNotificationOutcome::Presented);
  ASSERT_TRUE(PumpUntil([] { return RunCommand({"dunstctl", "count", "displayed"}) == "2\n"; }));
  // The body is plain text: dunst reads markup, so it gets it escaped.
  ASSERT_EQ(PresentAndWait(*center, "markup", "Markup", "<b>bold</b> & more"),
            TNotificationOutcome::Presented);
  ASSERT_TRUE(PumpUntil([] { return RunCommand({"dunstctl", "count", "displayed"}) == "3\n"; }));
  // Closed notifications are let go.
  RunCommand({"dunstctl", "close-all"});
  EXPECT_TRUE(PumpUntil([&] { return shown.OpenCount() == 0; }));
  const std::string history = RunCommand({"dunstctl", "history"});
  if (!history.empty()) {
    for (const char* text : {"Export done", "Saved to report.pdf", "Only a line",
                             "&lt;b&gt;bold&lt;/b&gt; &amp; more"}) {
      EXPECT_NE(history.find(std::string("\"") + text + "\""), std::string::npos) << text;
    }
  }
  EXPECT_EQ(clicks.size(), 1u) << "closing is no click";
}

TEST(ToolkitNotificationCenterGtk, AClickAfterTheCentreIsGoneReachesNobody) {
  if (!HaveSessionBus()) {
    GTEST_SKIP() << "needs a session bus (dbus-run-session)";
  }
  TDunst dunst;
  if (!dunst.Running()) {
    GTEST_SKIP() << "dunst is not installed";
  }
  ASSERT_TRUE(PumpUntil(ServerRuns));
  auto toolkit = CreateGtkToolkit();
  auto center = toolkit->CreateNotificationCenter();
  int clicks = 0;
  center->OnClick = [&](const std::string&) { ++clicks; };
  ASSERT_EQ(PresentAndWait(*center, "late", "", "Click me later"), TNotificationOutcome::Presented);
  ASSERT_TRUE(PumpUntil([] { return RunCommand({"dunstctl", "count", "displayed"}) == "1\n"; }));
  center.reset();
  RunCommand({"dunstctl", "action", "0"});
  testing_gtk::PumpFor(500);
  EXPECT_EQ(clicks, 0);
}

} // namespace
} // namespace tessera
