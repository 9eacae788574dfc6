// Letting window events run from inside a loop of many small steps (a file
// found, a folder entered) at a pace the loop can afford.
//
// Every look at the thread's queue is a round trip to the window system
// that costs more than such a step.  A paced loop looks at a step when a
// millisecond or more has passed since the last look on the thread, and at
// its first step when it is the thread's outermost loop or was started by a
// handler while events ran; when the queue holds anything, DoEvents runs.
// What comes into the queue in between comes from the user, timers and other
// threads, none of which keeps a finer schedule; the loop posts nothing
// itself, and whatever a handler posts runs before DoEvents returns.
#pragma once

namespace kb::rt {

class PacedEvents {
 public:
  PacedEvents();
  PacedEvents(const PacedEvents&) = delete;
  PacedEvents& operator=(const PacedEvents&) = delete;
  ~PacedEvents();

  // One step of the loop: DoEvents when it is due.
  void Step();

  // How many times events have run on this thread (DoEvents found something
  // to dispatch): a loop that sees this change knows that a handler may have
  // run (and changed the files).
  static unsigned long Runs();
};

}  // namespace kb::rt
