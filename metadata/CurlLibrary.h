#pragma once

#include <curl/curl.h>

namespace kestrova {

// libcurl, loaded at its first use rather than with the program: it brings two dozen libraries
// of its own (TLS, Kerberos, LDAP, SSH ...) that the first window has no need of. The calls
// the feed makes, through the loaded library.
struct CurlLibrary {
    decltype(&curl_global_init) global_init;
    decltype(&curl_easy_init) easy_init;
    decltype(&curl_easy_cleanup) easy_cleanup;
    decltype(&curl_easy_setopt) easy_setopt;
    decltype(&curl_easy_perform) easy_perform;
    decltype(&curl_easy_getinfo) easy_getinfo;
    decltype(&curl_easy_strerror) easy_strerror;
    decltype(&curl_multi_init) multi_init;
    decltype(&curl_multi_cleanup) multi_cleanup;
    decltype(&curl_multi_add_handle) multi_add_handle;
    decltype(&curl_multi_remove_handle) multi_remove_handle;
    decltype(&curl_multi_perform) multi_perform;
    decltype(&curl_multi_poll) multi_poll;
    decltype(&curl_multi_info_read) multi_info_read;
    decltype(&curl_multi_wakeup) multi_wakeup;
};

// The loaded library, initialised; nullptr when it cannot be loaded. Safe from any thread.
const CurlLibrary* Curl();

// Loads the library on a thread of its own, so that the first request finds it ready.
void PreloadCurl();
// Waits for a preload still running. Called before the program ends: the library's own
// clean-up at exit must not run while its initialisation still runs on the preload thread.
void FinishCurlPreload();

} // namespace kestrova
