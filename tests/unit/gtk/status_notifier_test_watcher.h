#pragma once

// A private session bus for one test, and a StatusNotifierWatcher with a
// host of our own on it: it takes registrations as a desktop's watcher
// does, drops an item whose name leaves the bus, and reads and drives the
// items as a panel does.
#include <gio/gio.h>

#include <optional>
#include <string>
#include <vector>

namespace tessera::testing_gtk {

// Sets an environment variable (null: unsets it) for the life of the
// object, then puts the old value back.
class TScopedEnv {
public:
  TScopedEnv(const char* name, const char* value);
  ~TScopedEnv();
  TScopedEnv(const TScopedEnv&) = delete;
  TScopedEnv& operator=(const TScopedEnv&) = delete;

private:
  std::string FName;
  std::optional<std::string> FOld;
};

// A dbus-daemon of its own, made the session bus of this process
// (DBUS_SESSION_BUS_ADDRESS) while the object lives.
class TPrivateBus {
public:
  TPrivateBus();
  ~TPrivateBus();
  TPrivateBus(const TPrivateBus&) = delete;
  TPrivateBus& operator=(const TPrivateBus&) = delete;

  bool Running() const { return !FAddress.empty(); }
  const std::string& Address() const { return FAddress; }

private:
  GPid FPid = 0;
  std::string FAddress;
  std::optional<TScopedEnv> FEnv;
};

// The answer to a call: the reply, or the error's message.
struct TCallResult {
  GVariant* Reply = nullptr; // owned
  std::string Error;

  TCallResult() = default;
  TCallResult(TCallResult&& other) noexcept;
  TCallResult& operator=(TCallResult&&) = delete;
  ~TCallResult();
  explicit operator bool() const { return Reply != nullptr; }
};

class TTestWatcher {
public:
  explicit TTestWatcher(const std::string& address);
  ~TTestWatcher();
  TTestWatcher(const TTestWatcher&) = delete;
  TTestWatcher& operator=(const TTestWatcher&) = delete;

  // Takes the watcher's name and serves it; false when the name was not had.
  bool Start();
  // Gives the name up: the items see the watcher go.
  void Stop();
  // Whether a host shows items; a change is signalled as a watcher does.
  void SetHostPresent(bool present);
  // Refuses registrations with an error from now on.
  bool Refuse = false;

  // The names of the items registered and still on the bus.
  const std::vector<std::string>& Items() const { return FItems; }
  int Registrations() const { return FRegistrations; }

  // Calls `service` as a panel does and waits for the answer.
  TCallResult Call(const std::string& service, const char* path, const char* interface,
                   const char* method, GVariant* parameters);
  // Calls without waiting; `*answered` is set when the answer comes
  // (an error or no answer within the call's 25 s leave it), and must
  // outlive the call.
  void Send(const std::string& service, const char* path, const char* interface, const char* method,
            GVariant* parameters, bool* answered);
  // An item's property, as a panel reads it; null when it could not.
  GVariant* Property(const std::string& service, const char* name);
  // The revisions of the menu layouts the item announced since Start.
  const std::vector<unsigned>& LayoutUpdates() const { return FLayoutUpdates; }

  GDBusConnection* Connection() const { return FConnection; }

private:
  static void OnMethodCall(GDBusConnection*, const gchar* sender, const gchar*, const gchar*,
                           const gchar* method, GVariant* parameters,
                           GDBusMethodInvocation* invocation, gpointer self);
  static GVariant* OnGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                                 const gchar* property, GError**, gpointer self);

  GDBusConnection* FConnection = nullptr;
  guint FObject = 0;
  guint FOwnership = 0;
  bool FOwned = false;
  bool FHostPresent = true;
  guint FLayoutSignal = 0;
  std::vector<std::string> FItems;
  std::vector<guint> FItemWatches;
  std::vector<unsigned> FLayoutUpdates;
  int FRegistrations = 0;
};

} // namespace tessera::testing_gtk
