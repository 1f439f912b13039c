#pragma once

#include "page_script.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tessera::engine {

class TEngineWebView;

// Plays what a page does: the navigation's own events (starting, the
// document's resource request, source, content, completion) and then the
// script section for the URI, one step per turn of the UI thread's loop.
// A new navigation abandons whatever the previous one still had to do.
class TPagePlayer {
public:
  explicit TPagePlayer(TEngineWebView& view) : FView(view) {}

  void Navigate(const std::string& uri, bool userInitiated);
  // A message the host posted to the page; resumes a waiting step.
  void HostPosted(const std::string& json);
  // Stops for good (the web view is closed).
  void Stop() { ++FGeneration; }

private:
  using TContinue = std::function<void()>;

  // Queues `work` for the current navigation; dropped once a newer one began.
  void Later(std::function<void()> work);
  void RunNavigation(const std::string& uri, bool userInitiated, std::uint64_t id);
  void LoadDocument(const std::string& uri, std::uint64_t id);
  void FinishNavigation(const std::string& uri, std::uint64_t id, bool success, int status);
  void PlayFrom(const TPageSection* section, std::size_t index);
  // Runs one step; calls `next` when the page goes on.
  void RunStep(const TPageStep& step, const TContinue& next);

  void Request(const std::string& uri, std::int32_t context, std::function<void(bool, int)> done);
  void Message(const std::string& json, bool isString, const std::string& text);
  void TryResume();
  void NavigationCompletedEvent(bool success, int status, std::uint64_t id, const std::string& uri);

  TEngineWebView& FView;
  std::uint64_t FGeneration = 0;
  std::uint64_t FLastNavigationId = 0;
  // What the host posted since the navigation began, and how far waits
  // have consumed it.
  std::vector<std::string> FPosts;
  std::size_t FPostCursor = 0;
  std::string FWaitingFor;
  TContinue FResume;
};

} // namespace tessera::engine
