#pragma once

#include <glib.h>

namespace tessera::gtk {

// The loops that run on the UI thread's default main context, innermost
// last: the application's loop and any modal runs inside it. A quit request
// behaves like a quit message: it ends the innermost loop, each loop it
// ends passes it on to the one outside, and the application's loop takes
// it. A request made while no loop runs ends the next one at once.
//
// All of this is for the UI thread only, except PostQuitRequest.

// A modal run: runs `loop` until it is quit or a quit request arrives;
// true when it ended for a quit request, which then goes on to the loop
// outside as soon as control returns there.
bool RunModalLoop(GMainLoop* loop);

// The application's run: runs `loop` until it is quit or a quit request
// arrives, and takes the request.
void RunApplicationLoop(GMainLoop* loop);

// Makes a quit request now.
void RequestQuit();

// Makes a quit request from any thread, in turn with the work queued on
// the UI thread's context before it.
void PostQuitRequest();

} // namespace tessera::gtk
