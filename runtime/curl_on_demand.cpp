// libcurl's functions as the program uses them, forwarded to libcurl once it is loaded on the
// first call. libcurl and the two dozen libraries it brings (TLS, Kerberos, LDAP, ...) cost the
// windowed program a noticeable part of its start, and the first transfer comes later anyway.
// In a program that links libcurl as well, these stand in for libcurl's own and forward to the
// same library.

#include "runtime/curl_on_demand.h"

#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdarg>

namespace {

struct Curl {
    void* library = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);

    template <typename Function>
    Function* Find(const char* name) const {
        return library ? reinterpret_cast<Function*>(dlsym(library, name)) : nullptr;
    }

#define QUILLET_CURL_FUNCTION(name) decltype(&::name) name = Find<decltype(::name)>(#name)
    QUILLET_CURL_FUNCTION(curl_easy_cleanup);
    QUILLET_CURL_FUNCTION(curl_easy_getinfo);
    QUILLET_CURL_FUNCTION(curl_easy_init);
    QUILLET_CURL_FUNCTION(curl_easy_perform);
    QUILLET_CURL_FUNCTION(curl_easy_setopt);
    QUILLET_CURL_FUNCTION(curl_free);
    QUILLET_CURL_FUNCTION(curl_multi_add_handle);
    QUILLET_CURL_FUNCTION(curl_multi_cleanup);
    QUILLET_CURL_FUNCTION(curl_multi_info_read);
    QUILLET_CURL_FUNCTION(curl_multi_init);
    QUILLET_CURL_FUNCTION(curl_multi_perform);
    QUILLET_CURL_FUNCTION(curl_multi_poll);
    QUILLET_CURL_FUNCTION(curl_multi_remove_handle);
    QUILLET_CURL_FUNCTION(curl_slist_append);
    QUILLET_CURL_FUNCTION(curl_slist_free_all);
    QUILLET_CURL_FUNCTION(curl_url);
    QUILLET_CURL_FUNCTION(curl_url_cleanup);
    QUILLET_CURL_FUNCTION(curl_url_get);
    QUILLET_CURL_FUNCTION(curl_url_set);
    QUILLET_CURL_FUNCTION(curl_version_info);
#undef QUILLET_CURL_FUNCTION
};

// Loaded once, by whichever thread calls first; never unloaded.
const Curl& Loaded() {
    static const Curl curl;
    return curl;
}

}  // namespace

bool quillet::LoadCurl() {
    return Loaded().library != nullptr;
}

extern "C" {

void curl_easy_cleanup(CURL* handle) {
    if (auto f = Loaded().curl_easy_cleanup) f(handle);
}

CURLcode curl_easy_getinfo(CURL* handle, CURLINFO info, ...) {
    auto f = Loaded().curl_easy_getinfo;
    if (!f) return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, info);
    void* out = va_arg(args, void*);  // every kind of information is written through a pointer
    va_end(args);
    return f(handle, info, out);
}

CURL* curl_easy_init() {
    auto f = Loaded().curl_easy_init;
    return f ? f() : nullptr;
}

CURLcode curl_easy_perform(CURL* handle) {
    auto f = Loaded().curl_easy_perform;
    return f ? f(handle) : CURLE_FAILED_INIT;
}

CURLcode curl_easy_setopt(CURL* handle, CURLoption option, ...) {
    auto f = Loaded().curl_easy_setopt;
    if (!f) return CURLE_FAILED_INIT;
    va_list args;
    va_start(args, option);
    CURLcode result;
    // The option's number says the type of its value, as libcurl itself reads it.
    if (option < CURLOPTTYPE_OBJECTPOINT) {
        result = f(handle, option, va_arg(args, long));
    } else if (option < CURLOPTTYPE_FUNCTIONPOINT) {
        result = f(handle, option, va_arg(args, void*));
    } else if (option < CURLOPTTYPE_OFF_T) {
        result = f(handle, option, va_arg(args, void (*)()));
    } else if (option < CURLOPTTYPE_BLOB) {
        result = f(handle, option, va_arg(args, curl_off_t));
    } else {
        result = f(handle, option, va_arg(args, void*));
    }
    va_end(args);
    return result;
}

void curl_free(void* p) {
    if (auto f = Loaded().curl_free) f(p);
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* handle) {
    auto f = Loaded().curl_multi_add_handle;
    return f ? f(multi, handle) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
    auto f = Loaded().curl_multi_cleanup;
    return f ? f(multi) : CURLM_INTERNAL_ERROR;
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* left) {
    auto f = Loaded().curl_multi_info_read;
    return f ? f(multi, left) : nullptr;
}

CURLM* curl_multi_init() {
    auto f = Loaded().curl_multi_init;
    return f ? f() : nullptr;
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
    auto f = Loaded().curl_multi_perform;
    return f ? f(multi, running) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra[], unsigned int count, int timeoutMs,
                          int* ready) {
    auto f = Loaded().curl_multi_poll;
    return f ? f(multi, extra, count, timeoutMs, ready) : CURLM_INTERNAL_ERROR;
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* handle) {
    auto f = Loaded().curl_multi_remove_handle;
    return f ? f(multi, handle) : CURLM_INTERNAL_ERROR;
}

curl_slist* curl_slist_append(curl_slist* list, const char* text) {
    auto f = Loaded().curl_slist_append;
    return f ? f(list, text) : nullptr;
}

void curl_slist_free_all(curl_slist* list) {
    if (auto f = Loaded().curl_slist_free_all) f(list);
}

CURLU* curl_url() {
    auto f = Loaded().curl_url;
    return f ? f() : nullptr;
}

void curl_url_cleanup(CURLU* url) {
    if (auto f = Loaded().curl_url_cleanup) f(url);
}

CURLUcode curl_url_get(CURLU* url, CURLUPart part, char** text, unsigned int flags) {
    auto f = Loaded().curl_url_get;
    return f ? f(url, part, text, flags) : CURLUE_OUT_OF_MEMORY;
}

CURLUcode curl_url_set(CURLU* url, CURLUPart part, const char* text, unsigned int flags) {
    auto f = Loaded().curl_url_set;
    return f ? f(url, part, text, flags) : CURLUE_OUT_OF_MEMORY;
}

curl_version_info_data* curl_version_info(CURLversion version) {
    auto f = Loaded().curl_version_info;
    return f ? f(version) : nullptr;
}

}  // extern "C"
