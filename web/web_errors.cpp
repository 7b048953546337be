#include "web/web_errors.h"

#include <chrono>

#include "config/settings.h"

namespace pindle {
namespace {

Text Seconds(std::chrono::milliseconds ms) {
  const long long whole = (ms.count() + 999) / 1000;
  return std::to_string(whole) + " 秒";
}

Text Cause(CURLcode code, bool reachedServer, const WebLimits& limits) {
  if (IsCertificateRefusal(code)) return CertificateFailureCause();
  switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
      return reachedServer ? DescribeStall(limits) : "连接超时：" + Seconds(limits.connect) + "内没能连上服务器";
    case CURLE_COULDNT_RESOLVE_HOST:
      return "无法解析主机名";
    case CURLE_COULDNT_RESOLVE_PROXY:
      return "无法解析代理服务器的主机名";
    case CURLE_COULDNT_CONNECT:
      return "无法连接服务器";
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_USE_SSL_FAILED:
      return "安全连接失败";
    case CURLE_FILESIZE_EXCEEDED:
      return DescribeBodyTooLarge(limits);
    case CURLE_TOO_MANY_REDIRECTS:
      return DescribeTooManyRedirects(limits);
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR:
    case CURLE_GOT_NOTHING:
      return "连接中断，回应不完整";
    case CURLE_URL_MALFORMAT:
      return "网址无效";
    case CURLE_UNSUPPORTED_PROTOCOL:  // the URL is always http or https here: an HTTP/0.9 answer
    case CURLE_WEIRD_SERVER_REPLY:
      return "服务器的回应无法识别";
    case CURLE_OUT_OF_MEMORY:
      // libcurl refuses a response head beyond its bound this way once the server answered.
      return reachedServer ? "应答头太大" : "内存不足";
    default:
      return "请求失败";
  }
}

}  // namespace

bool IsCertificateRefusal(CURLcode code) {
  switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return true;
    default:
      return false;
  }
}

Text CertificateFailureCause() {
  // Says how to get past it: a self-signed or expired certificate is common on small services.
  return Text("证书验证失败：信任此服务可勾选设定页的“") + kIgnoreCertificateErrorsKey + "”（Setting.ini [" +
         kSoftwareSection + "] " + kIgnoreCertificateErrorsKey + "=" + kOn + "）";
}

Text DescribeStall(const WebLimits& limits) { return "传输停滞：" + Seconds(limits.stall) + "内没有收到数据"; }

Text DescribeSlow(const WebLimits& limits, long long received) {
  return "服务太慢：" + Seconds(limits.slowWindow) + "内收到 " + std::to_string(received) + " 字节";
}

Text DescribeTooLong(const WebLimits& limits) { return "服务太慢：" + Seconds(limits.longest) + "内没有完成应答"; }

Text DescribeTooManyRedirects(const WebLimits& limits) {
  return "重定向次数过多：超过 " + std::to_string(limits.maxRedirects) + " 次";
}

Text DescribeBodyTooLarge(const WebLimits& limits) {
  return "回应内容过大：超过 " + std::to_string(limits.maxBodyBytes) + " 字节";
}

Text DescribeCurlFailure(CURLcode code, std::string_view detail, bool reachedServer, const WebLimits& limits) {
  Text text = Cause(code, reachedServer, limits);
  text += "：";
  text += detail.empty() ? curl_easy_strerror(code) : detail;
  return text;
}

}  // namespace pindle
