// Letting window events run from inside a loop of many small steps (a file
// found, a folder entered) at a pace the loop can afford.
//
// Every look at the thread's queue is a round trip to the window system
// that costs more than such a step (tens of microseconds on some systems).
// A paced loop looks at a step when ten milliseconds or more have passed
// since the last look on the thread, and at its first step when it is the
// thread's outermost loop or was started by a handler while events ran; when
// the queue holds anything, DoEvents runs.  Looking costs the loop well under
// a hundredth of its time so.  What comes into the queue in between comes
// from the user, timers and other threads, none of which keeps a finer
// schedule (a timer's own resolution is coarser, and a delay of ten
// milliseconds is not seen); the loop posts nothing itself, and whatever a
// handler posts runs before DoEvents returns.
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
