#include "tests/web/recording_layers.h"

#include <algorithm>
#include <cstdio>

namespace quillet::test {
namespace {

std::string Hex(unsigned value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

template <class Calls>
std::string FindCall(const Calls& calls, const std::string& prefix) {
    for (const std::string& call : calls) {
        if (call.rfind(prefix, 0) == 0) return call;
    }
    return {};
}

}  // namespace

bool Matches(const std::vector<std::string>& failing, const std::string& entry) {
    return std::any_of(failing.begin(), failing.end(), [&entry](const std::string& f) {
        return entry == f || entry.rfind(f + " ", 0) == 0;
    });
}

std::string RecordingWinHttp::Call(const std::string& prefix) const {
    return FindCall(calls, prefix);
}

std::vector<std::string> RecordingWinHttp::Calls(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
        if (call.rfind(prefix, 0) == 0) found.push_back(call);
    }
    return found;
}

bool RecordingWinHttp::Fails(const char* name, std::string entry) {
    calls.push_back(std::string(name) + (entry.empty() ? "" : " " + entry));
    return Matches(failing, calls.back());
}

bool RecordingWinHttp::CheckPlatform() {
    return !Fails("CheckPlatform", {}) && real_.CheckPlatform();
}

bool RecordingWinHttp::CrackUrl(std::string_view url, UrlComponents& parts) {
    return !Fails("CrackUrl", std::string(url)) && real_.CrackUrl(url, parts);
}

WinHttpLayer::Handle RecordingWinHttp::Open(int accessType, std::string_view proxyName) {
    if (Fails("Open", std::to_string(accessType) + " " + std::string(proxyName))) return nullptr;
    Handle h = real_.Open(accessType, proxyName);
    if (h != nullptr) open_.emplace_back(h, "session");
    return h;
}

WinHttpLayer::Handle RecordingWinHttp::Connect(Handle session, std::string_view host, int port) {
    if (Fails("Connect", std::string(host) + " " + std::to_string(port))) return nullptr;
    Handle h = real_.Connect(session, host, port);
    if (h != nullptr) open_.emplace_back(h, "connection");
    return h;
}

WinHttpLayer::Handle RecordingWinHttp::OpenRequest(Handle connection, std::string_view verb,
                                                   std::string_view objectName, unsigned flags) {
    if (Fails("OpenRequest",
              std::string(verb) + " " + std::string(objectName) + " " + Hex(flags))) {
        return nullptr;
    }
    Handle h = real_.OpenRequest(connection, verb, objectName, flags);
    if (h != nullptr) open_.emplace_back(h, "request");
    return h;
}

bool RecordingWinHttp::SetTimeouts(Handle request, int resolveMs, int connectMs, int sendMs,
                                   int receiveMs) {
    return !Fails("SetTimeouts", std::to_string(resolveMs) + " " + std::to_string(connectMs) + " " +
                                     std::to_string(sendMs) + " " + std::to_string(receiveMs)) &&
           real_.SetTimeouts(request, resolveMs, connectMs, sendMs, receiveMs);
}

bool RecordingWinHttp::SetCredentials(Handle request, int target, int scheme, std::string_view user,
                                      std::string_view password) {
    return !Fails("SetCredentials", std::to_string(target) + " " + std::to_string(scheme) + " " +
                                        std::string(user) + " " + std::string(password)) &&
           real_.SetCredentials(request, target, scheme, user, password);
}

bool RecordingWinHttp::SetOption(Handle request, int option, std::uint32_t value) {
    return !Fails("SetOption", std::to_string(option) + " " + std::to_string(value)) &&
           real_.SetOption(request, option, value);
}

bool RecordingWinHttp::AddRequestHeaders(Handle request, std::string_view headers,
                                         unsigned modifiers) {
    return !Fails("AddRequestHeaders", Hex(modifiers) + " " + std::string(headers)) &&
           real_.AddRequestHeaders(request, headers, modifiers);
}

bool RecordingWinHttp::SendRequest(Handle request, std::string_view body) {
    return !Fails("SendRequest", std::string(body)) && real_.SendRequest(request, body);
}

bool RecordingWinHttp::ReceiveResponse(Handle request) {
    return !Fails("ReceiveResponse", {}) && real_.ReceiveResponse(request);
}

bool RecordingWinHttp::QueryDataAvailable(Handle request, std::size_t& count) {
    // Not written down: it is called once per piece of the body.
    if (Matches(failing, "QueryDataAvailable")) return false;
    return real_.QueryDataAvailable(request, count);
}

bool RecordingWinHttp::ReadData(Handle request, char* buffer, std::size_t size, std::size_t& read) {
    if (Matches(failing, "ReadData") && reads_ >= readsBeforeFailing) return false;
    ++reads_;
    return real_.ReadData(request, buffer, size, read);
}

bool RecordingWinHttp::QueryHeaders(Handle request, int infoLevel, char* buffer,
                                    std::size_t& length) {
    // Only the second call (the one with a buffer) can be made to fail.
    if (Fails("QueryHeaders", buffer == nullptr ? "size" : "fetch") && buffer != nullptr) {
        return false;
    }
    return real_.QueryHeaders(request, infoLevel, buffer, length);
}

void RecordingWinHttp::CloseHandle(Handle handle) {
    const auto it = std::find_if(open_.begin(), open_.end(),
                                 [handle](const auto& entry) { return entry.first == handle; });
    closed.push_back(it == open_.end() ? "unknown" : it->second);
    if (it != open_.end()) open_.erase(it);
    real_.CloseHandle(handle);
}

std::string RecordingWinInet::Call(const std::string& prefix) const {
    return FindCall(calls, prefix);
}

bool RecordingWinInet::Fails(const char* name, std::string entry) {
    calls.push_back(std::string(name) + (entry.empty() ? "" : " " + entry));
    return Matches(failing, calls.back());
}

WinInetLayer::Handle RecordingWinInet::Open(std::string_view agent, int accessType,
                                            std::string_view proxyName) {
    if (Fails("Open", std::string(agent) + "|" + std::to_string(accessType) + "|" +
                          std::string(proxyName))) {
        return nullptr;
    }
    Handle h = real_.Open(agent, accessType, proxyName);
    if (h != nullptr) open_.emplace_back(h, "internet");
    return h;
}

WinInetLayer::Handle RecordingWinInet::Connect(Handle internet, std::string_view host, int port,
                                               int service) {
    if (Fails("Connect",
              std::string(host) + " " + std::to_string(port) + " " + std::to_string(service))) {
        return nullptr;
    }
    Handle h = real_.Connect(internet, host, port, service);
    if (h != nullptr) open_.emplace_back(h, "connection");
    return h;
}

WinInetLayer::Handle RecordingWinInet::OpenRequest(Handle connection, std::string_view verb,
                                                   std::string_view objectName,
                                                   std::string_view version, unsigned flags) {
    if (Fails("OpenRequest", std::string(verb) + " " + std::string(objectName) + " " +
                                 std::string(version) + " " + Hex(flags))) {
        return nullptr;
    }
    Handle h = real_.OpenRequest(connection, verb, objectName, version, flags);
    if (h != nullptr) open_.emplace_back(h, "request");
    return h;
}

bool RecordingWinInet::SendRequest(Handle request, std::string_view headers,
                                   std::string_view body) {
    return !Fails("SendRequest", std::string(headers) + "|" + std::string(body)) &&
           real_.SendRequest(request, headers, body);
}

WinInetLayer::Handle RecordingWinInet::OpenUrl(Handle internet, std::string_view url,
                                               std::string_view headers, unsigned flags) {
    if (Fails("OpenUrl", std::string(url) + " " + std::string(headers) + " " + Hex(flags))) {
        return nullptr;
    }
    Handle h = real_.OpenUrl(internet, url, headers, flags);
    if (h != nullptr) open_.emplace_back(h, "url");
    return h;
}

bool RecordingWinInet::ReadFile(Handle request, char* buffer, std::size_t size, std::size_t& read) {
    if (Matches(failing, "ReadFile")) {
        read = 0;
        return false;
    }
    return real_.ReadFile(request, buffer, size, read);
}

bool RecordingWinInet::QueryInfo(Handle request, int infoLevel, char* buffer, std::size_t& length) {
    if (Fails("QueryInfo", std::to_string(infoLevel))) return false;
    return real_.QueryInfo(request, infoLevel, buffer, length);
}

void RecordingWinInet::CloseHandle(Handle handle) {
    const auto it = std::find_if(open_.begin(), open_.end(),
                                 [handle](const auto& entry) { return entry.first == handle; });
    closed.push_back(it == open_.end() ? "unknown" : it->second);
    if (it != open_.end()) open_.erase(it);
    real_.CloseHandle(handle);
}

}  // namespace quillet::test
