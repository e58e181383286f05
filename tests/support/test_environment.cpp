// Compiled into every test program: before main, the environment variables that would let
// the machine change a result are cleared or fixed. libcurl honours the proxy variables (the
// tests talk to servers on 127.0.0.1 only), and the locale decides how file names and the
// terminal's bytes are read. The stand-in and the command-line program inherit the result.

#include <cstdlib>
#include <initializer_list>

namespace {

[[maybe_unused]] const bool environmentFixed = [] {
    for (const char* name :
         {"http_proxy", "https_proxy", "ftp_proxy", "all_proxy", "HTTP_PROXY", "HTTPS_PROXY",
          "FTP_PROXY", "ALL_PROXY", "no_proxy", "NO_PROXY", "LANGUAGE"}) {
        unsetenv(name);
    }
    setenv("LANG", "C.UTF-8", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    return true;
}();

}  // namespace
