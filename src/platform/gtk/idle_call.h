#pragma once

#include <functional>
#include <memory>

namespace tessera::gtk {

// Runs `work` once from the main loop, after the current callback has
// returned, at the priority of input and of the event loop's posted work.
// A D-Bus or GTK callback hands work on this way when the work may show
// modal UI, run a nested loop or free what the caller holds.
void RunFromLoop(std::function<void()> work);

// A token an object holds for its life; work handed to the loop keeps a
// weak copy and does nothing once the object is gone.
class TLifeToken {
public:
  std::weak_ptr<int> Weak() const { return FToken; }

private:
  std::shared_ptr<int> FToken = std::make_shared<int>(0);
};

} // namespace tessera::gtk
