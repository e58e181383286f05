// One request of each kind over TLS to a loopback server whose test certificate the client
// is told to trust; without that trust the certificate is refused.

#include <gtest/gtest.h>

#include "tests/web/scripted_http_server.h"
#include "web/remote_file_size.h"
#include "web/winhttp_page_request.h"
#include "web/wininet_page_request.h"

namespace quillet {
namespace {

using test::HttpReply;
using test::ScriptedHttpServer;
using test::ServerOptions;

TEST(Tls, TrustedTestCertificate) {
    ScriptedHttpServer server(HttpReply("HTTP/1.1 200 OK", "", "secret"),
                              ServerOptions{.tls = true});
    const CurlLayerOptions trust{.caFile = ScriptedHttpServer::CertificateFile()};
    CurlWinHttp winHttp(trust);
    Text status;
    EXPECT_EQ(WinHttpPageRequest(winHttp, server.Url("/s"), {.statusText = &status}), "secret");
    EXPECT_EQ(status, "200 OK");
    const std::string request = server.Request();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /s HTTP/1.1");

    CurlWinInet winInet(trust);
    EXPECT_EQ(FetchPageText(winInet, server.Url("/s")), "secret");
    EXPECT_EQ(RemoteFileSize(winInet, server.Url("/s")), 6);
}

TEST(Tls, UntrustedCertificateRefused) {
    ScriptedHttpServer server(HttpReply("HTTP/1.1 200 OK", "", "secret"),
                              ServerOptions{.tls = true});
    // Trusting some other certificate only: the server's is unknown.
    CurlWinHttp winHttp(CurlLayerOptions{.caFile = "/dev/null"});
    Text status;
    EXPECT_EQ(WinHttpPageRequest(winHttp, server.Url(), {.statusText = &status}), "");
    EXPECT_EQ(status, winhttp_error::Send);
}

}  // namespace
}  // namespace quillet
