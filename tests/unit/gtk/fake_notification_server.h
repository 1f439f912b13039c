#pragma once

// A bus of the test's own (a dbus-daemon that starts no services, so a name
// nobody owns stays unowned) and a notification server of our own on it,
// answering from a thread of its own as a separate program would, after a
// delay the test chooses.
#include <gio/gio.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessera::testing_gtk {

class TScopedProgram;

class TIsolatedBus {
public:
  TIsolatedBus();
  ~TIsolatedBus();
  TIsolatedBus(const TIsolatedBus&) = delete;
  TIsolatedBus& operator=(const TIsolatedBus&) = delete;

  // Whether the daemon takes connections; waits for it to start.
  bool Up();
  const std::string& Address() const { return FAddress; }

private:
  std::string FFolder;
  std::string FAddress;
  std::unique_ptr<TScopedProgram> FDaemon;
};

class TFakeNotificationServer {
public:
  struct TNotification {
    std::string Application;
    std::string Summary;
    std::string Body;
    std::vector<std::string> Actions;
  };

  // Every answer comes `delayMs` after its call; `bodyMarkup` is what the
  // server claims about bodies.
  TFakeNotificationServer(std::string address, int delayMs, bool bodyMarkup);
  ~TFakeNotificationServer();
  TFakeNotificationServer(const TFakeNotificationServer&) = delete;
  TFakeNotificationServer& operator=(const TFakeNotificationServer&) = delete;

  // Whether the server owns its name on the bus; waits for it.
  bool WaitReady();
  // What Notify was called with so far; the server's ID of each is its
  // place here plus one.
  std::vector<TNotification> Received();
  // Sends one of the server's signals, as a click or a close does.
  void ActionInvoked(guint32 id, const char* action);
  void NotificationClosed(guint32 id);

private:
  void Run();
  static void OnMethodCall(GDBusConnection* connection, const gchar* sender, const gchar* path,
                           const gchar* interface, const gchar* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer data);
  void Reply(GDBusMethodInvocation* invocation, GVariant* value);

  const std::string FAddress;
  const int FDelayMs;
  const bool FBodyMarkup;
  GMainContext* FContext;
  GMainLoop* FLoop;
  std::atomic<GDBusConnection*> FConnection{nullptr};
  // 0 while starting, 1 once the name is ours, -1 when that failed.
  std::atomic<int> FReady{0};
  std::mutex FLock;
  std::vector<TNotification> FReceived;
  std::thread FThread;
};

} // namespace tessera::testing_gtk
