#include "synthor/generators/base/Download.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "platform/Text.h"
#include "platform/TextFile.h"

namespace download {
namespace {

struct EasyCloser {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using UniqueEasy = std::unique_ptr<CURL, EasyCloser>;

// curl_global_init is not thread-safe in every libcurl build: once, under call_once.
void GlobalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct Sink {
  std::string* bytes;
  std::size_t maxBytes;
  bool overflow = false;
};

// libcurl hands over whatever arrived; a short piece is no end of the transfer.
std::size_t Write(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::size_t n = size * count;
  if (sink->bytes->size() + n > sink->maxBytes) {
    sink->overflow = true;
    return 0;  // aborts the transfer with CURLE_WRITE_ERROR
  }
  sink->bytes->append(data, n);
  return n;
}

constexpr const char* kProtocols = "http,https,ftp";

}  // namespace

Result Fetch(const std::wstring& url, const Options& options) {
  Result result;
  GlobalInit();
  UniqueEasy easy(curl_easy_init());
  if (!easy) {
    result.error = L"could not start a transfer";
    return result;
  }
  CURL* h = easy.get();
  const std::string target = platform::ToUtf8(url);
  char errorBuffer[CURL_ERROR_SIZE] = {0};
  Sink sink{&result.bytes, options.maxBytes};

  curl_easy_setopt(h, CURLOPT_URL, target.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, kProtocols);
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, kProtocols);
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, options.maxRedirects);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);  // worker threads: no SIGALRM for name look-ups
  curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(options.maxBytes));
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Write);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, options.ignoreCertificateErrors ? 0L : 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, options.ignoreCertificateErrors ? 0L : 2L);

  const CURLcode code = curl_easy_perform(h);
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
  result.curlCode = static_cast<int>(code);
  if (code == CURLE_OK) {
    result.ok = true;
    return result;
  }
  result.bytes.clear();
  if (sink.overflow || code == CURLE_FILESIZE_EXCEEDED) {
    result.error = platform::Format(L"the resource is larger than %d MiB",
                                    static_cast<int>(options.maxBytes / (1024 * 1024)));
  } else if (code == CURLE_HTTP_RETURNED_ERROR) {
    result.error = platform::Format(L"the server answered with status %d",
                                    static_cast<int>(result.status));
  } else {
    const std::string reason = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
    result.error = platform::Format(L"transfer failed (%d): %ls", static_cast<int>(code),
                                    platform::FromUtf8(reason).c_str());
  }
  return result;
}

std::wstring DecodeDownloadedText(const std::string& bytes) { return platform::DecodeText(bytes); }

}  // namespace download
