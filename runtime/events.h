// Letting pending window events run, as the client's DoEvents does: the
// messages already queued for the calling thread are dispatched, so the
// client's own event handlers run (and may call back into the library) before
// the routine goes on.
#pragma once

namespace kb::rt {

void DoEvents();

}  // namespace kb::rt
