#include "tests/support/private_session_bus.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

namespace quillet::testing_support {

PrivateSessionBus::PrivateSessionBus() {
    int out[2];
    if (pipe(out) != 0) return;
    daemon_ = fork();
    if (daemon_ == 0) {
        // The bus ends with the test run, however the run ends.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        dup2(out[1], STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDERR_FILENO);
        execlp("dbus-daemon", "dbus-daemon", "--session", "--nofork", "--print-address=1",
               static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') address_ += c;
    close(out[0]);
    setenv("DBUS_SESSION_BUS_ADDRESS", address_.c_str(), 1);
}

PrivateSessionBus::~PrivateSessionBus() {
    if (daemon_ <= 0) return;
    kill(daemon_, SIGTERM);
    waitpid(daemon_, nullptr, 0);
}

}  // namespace quillet::testing_support
