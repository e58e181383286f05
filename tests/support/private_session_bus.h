#pragma once

// A private D-Bus session bus for one test run: started on construction, pointed at through
// DBUS_SESSION_BUS_ADDRESS, ended on destruction (or with the test run, however it ends).

#include <sys/types.h>

#include <string>

namespace quillet::testing_support {

class PrivateSessionBus {
  public:
    PrivateSessionBus();
    ~PrivateSessionBus();
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    /// The bus's address, empty when the daemon could not be started.
    const std::string& Address() const { return address_; }

  private:
    pid_t daemon_ = -1;
    std::string address_;
};

}  // namespace quillet::testing_support
