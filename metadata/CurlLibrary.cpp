#include "metadata/CurlLibrary.h"

#include <dlfcn.h>
#include <future>

namespace kestrova {
namespace {

template <typename Function>
bool resolve(void* library, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    return function != nullptr;
}

bool resolveAll(void* library, CurlLibrary& curl) {
    return resolve(library, "curl_global_init", curl.global_init) &&
           resolve(library, "curl_easy_init", curl.easy_init) &&
           resolve(library, "curl_easy_cleanup", curl.easy_cleanup) &&
           resolve(library, "curl_easy_setopt", curl.easy_setopt) &&
           resolve(library, "curl_easy_perform", curl.easy_perform) &&
           resolve(library, "curl_easy_getinfo", curl.easy_getinfo) &&
           resolve(library, "curl_easy_strerror", curl.easy_strerror) &&
           resolve(library, "curl_multi_init", curl.multi_init) &&
           resolve(library, "curl_multi_cleanup", curl.multi_cleanup) &&
           resolve(library, "curl_multi_add_handle", curl.multi_add_handle) &&
           resolve(library, "curl_multi_remove_handle", curl.multi_remove_handle) &&
           resolve(library, "curl_multi_perform", curl.multi_perform) &&
           resolve(library, "curl_multi_poll", curl.multi_poll) &&
           resolve(library, "curl_multi_info_read", curl.multi_info_read) &&
           resolve(library, "curl_multi_wakeup", curl.multi_wakeup);
}

const CurlLibrary* load() {
    // The soname the headers were built against; never unloaded.
    void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    static CurlLibrary curl{};
    if (!library || !resolveAll(library, curl) || curl.global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return nullptr;
    return &curl;
}

std::shared_future<const CurlLibrary*>& preload() {
    static std::shared_future<const CurlLibrary*> loading;
    return loading;
}

} // namespace

void PreloadCurl() {
    static const bool started = (preload() = std::async(std::launch::async, Curl).share(), true);
    (void)started;
}

void FinishCurlPreload() {
    if (preload().valid())
        preload().wait();
}

const CurlLibrary* Curl() {
    // Function-local statics initialise once even when several threads arrive together.
    static const CurlLibrary* const curl = load();
    return curl;
}

} // namespace kestrova
