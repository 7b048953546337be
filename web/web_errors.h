#pragma once
#include <curl/curl.h>

#include <string_view>

#include "platform/types.h"
#include "web/web_limits.h"

namespace pindle {

// What the user reads when an exchange failed: a short Chinese statement of the cause, then
// libcurl's own detail (`detail`, or libcurl's text for `code` when it is empty).
// `reachedServer`: the connection (and TLS handshake) was complete, so a time-out was a stall.
Text DescribeCurlFailure(CURLcode code, std::string_view detail, bool reachedServer, const WebLimits& limits);

// The cause of a refused certificate, naming the switch that allows it.
Text CertificateFailureCause();
// Whether libcurl's code says the service's certificate was refused.
bool IsCertificateRefusal(CURLcode code);
Text DescribeStall(const WebLimits& limits);
// "服务太慢：30 秒内收到 12 字节"
Text DescribeSlow(const WebLimits& limits, long long received);
Text DescribeTooLong(const WebLimits& limits);
Text DescribeTooManyRedirects(const WebLimits& limits);
Text DescribeBodyTooLarge(const WebLimits& limits);

}  // namespace pindle
