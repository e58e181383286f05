#pragma once

// The hook through which the page request lets the GUI dispatch the calling thread's pending
// window messages while it works. The runtime installs its dispatcher (which does nothing off
// the GUI thread); until then it is a no-op. This keeps web/ free of any GUI library.

namespace quillet {

using MessagePump = void (*)();

/// Installs `pump` (nullptr restores the no-op). Safe to call from any thread.
void SetMessagePump(MessagePump pump);

/// Runs the installed pump once.
void PumpMessages();

}  // namespace quillet
