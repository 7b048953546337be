#include "web/curl_global.h"

#include <mutex>

namespace pindle {
namespace {

// One mutex per kind of shared data, as libcurl asks when a share is used from several threads.
std::mutex shareLocks[CURL_LOCK_DATA_LAST];

void LockShare(CURL*, curl_lock_data data, curl_lock_access, void*) { shareLocks[data].lock(); }
void UnlockShare(CURL*, curl_lock_data data, void*) { shareLocks[data].unlock(); }

}  // namespace

void EnsureCurlInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

CURLSH* SharedCookieStore() {
  static CURLSH* const store = [] {
    EnsureCurlInitialised();
    CURLSH* share = curl_share_init();
    curl_share_setopt(share, CURLSHOPT_LOCKFUNC, LockShare);
    curl_share_setopt(share, CURLSHOPT_UNLOCKFUNC, UnlockShare);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
    return share;
  }();
  return store;
}

void ClearSharedCookies() {
  CURL* curl = curl_easy_init();
  if (!curl) return;
  curl_easy_setopt(curl, CURLOPT_SHARE, SharedCookieStore());
  curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
  curl_easy_setopt(curl, CURLOPT_COOKIELIST, "ALL");
  curl_easy_cleanup(curl);
}

}  // namespace pindle
