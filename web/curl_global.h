#pragma once
#include <curl/curl.h>

namespace pindle {

// libcurl's global set-up, done once per process whatever thread asks first.
void EnsureCurlInitialised();

// The process-wide cookie store used by requests that bring no cookies of their own: one share
// of cookie data whose locks make it safe across threads. It lives as long as the process.
CURLSH* SharedCookieStore();

// Forgets every cookie in the process-wide store.
void ClearSharedCookies();

}  // namespace pindle
