#include "runtime/event_pacing.h"

#include <windows.h>

#include "runtime/events.h"

namespace kb::rt {
namespace {

// Per thread; plain values, so nothing is left to clean up when it ends.
thread_local int tDepth = 0;
thread_local bool tInEvents = false;
thread_local LONGLONG tLastRun = 0;  // 0: at the next step
thread_local unsigned long tRuns = 0;

LONGLONG Now() {
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  return now.QuadPart;
}

LONGLONG Interval() {
  static const LONGLONG interval = [] {
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart / 100;  // ten milliseconds
  }();
  return interval;
}

}  // namespace

PacedEvents::PacedEvents() {
  if (tDepth == 0 || tInEvents) tLastRun = 0;
  ++tDepth;
}

PacedEvents::~PacedEvents() { --tDepth; }

void PacedEvents::Step() {
  if (tLastRun != 0 && Now() - tLastRun < Interval()) return;
  tLastRun = Now();
  // An empty queue runs no handler: only a queue with something in it (a
  // message, input, a timer due, a message sent from another thread) is
  // handed to DoEvents.
  if (HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0) return;
  const bool outer = tInEvents;
  tInEvents = true;
  DoEvents();
  tInEvents = outer;
  ++tRuns;
  tLastRun = Now();
}

unsigned long PacedEvents::Runs() { return tRuns; }

}  // namespace kb::rt
