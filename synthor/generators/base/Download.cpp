#include "synthor/generators/base/Download.h"

#include <curl/curl.h>

#include <memory>
#include <mutex>

#include "platform/Confinement.h"
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

// The failure of a finished transfer, for a person.
std::wstring Reason(CURLcode code, const Sink& sink, const Result& result, const Options& options,
                    const char* errorBuffer) {
  if (sink.overflow || code == CURLE_FILESIZE_EXCEEDED)
    return platform::Format(L"the resource is larger than %d MiB",
                            static_cast<int>(options.maxBytes / (1024 * 1024)));
  if (code == CURLE_HTTP_RETURNED_ERROR)
    return platform::Format(L"the server answered with status %d", static_cast<int>(result.status));
  const std::string reason = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
  return platform::Format(L"transfer failed (%d): %ls", static_cast<int>(code),
                          platform::FromUtf8(reason).c_str());
}

}  // namespace

Result Fetch(const std::wstring& url, const Options& options) {
  Result result;
  // A confined process judges every address before its host is looked up: the first one here,
  // each redirect's below, which is why redirects are followed here and not by libcurl.
  if (const platform::Verdict verdict = platform::JudgeUrl(url); !verdict.Allowed()) {
    result.error = verdict.reason;
    return result;
  }
  GlobalInit();
  UniqueEasy easy(curl_easy_init());
  if (!easy) {
    result.error = L"could not start a transfer";
    return result;
  }
  CURL* h = easy.get();
  std::string target = platform::ToUtf8(url);
  char errorBuffer[CURL_ERROR_SIZE] = {0};
  Sink sink{&result.bytes, options.maxBytes};

  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, kProtocols);
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
  // A proxy would take the request past the machine whatever host it names.
  if (platform::ConfinedToThisMachine()) curl_easy_setopt(h, CURLOPT_PROXY, "");

  for (long redirects = 0;; ++redirects) {
    curl_easy_setopt(h, CURLOPT_URL, target.c_str());
    const CURLcode code = curl_easy_perform(h);
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &result.status);
    result.curlCode = static_cast<int>(code);
    if (code != CURLE_OK) {
      result.error = Reason(code, sink, result, options, errorBuffer);
      break;
    }
    // libcurl resolves the Location against the address it came from.
    const char* next = nullptr;
    curl_easy_getinfo(h, CURLINFO_REDIRECT_URL, &next);
    if (result.status < 300 || result.status >= 400 || !next) {
      result.ok = true;
      return result;
    }
    if (redirects == options.maxRedirects) {
      result.curlCode = CURLE_TOO_MANY_REDIRECTS;
      result.error =
          platform::Format(L"more than %d redirects", static_cast<int>(options.maxRedirects));
      break;
    }
    target = next;
    if (const platform::Verdict verdict = platform::JudgeUrl(platform::FromUtf8(target));
        !verdict.Allowed()) {
      result.error = L"redirected: " + verdict.reason;
      break;
    }
    result.bytes.clear();  // the redirect's own body
    errorBuffer[0] = 0;
  }
  result.bytes.clear();
  return result;
}

std::wstring DecodeDownloadedText(const std::string& bytes) { return platform::DecodeText(bytes); }

}  // namespace download
