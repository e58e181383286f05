#include "web/message_pump.h"

#include <atomic>

namespace quillet {
namespace {

std::atomic<MessagePump> installedPump{nullptr};

}  // namespace

void SetMessagePump(MessagePump pump) {
    installedPump.store(pump, std::memory_order_release);
}

void PumpMessages() {
    if (const MessagePump pump = installedPump.load(std::memory_order_acquire)) pump();
}

}  // namespace quillet
