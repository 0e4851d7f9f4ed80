#pragma once
// Fetching a web resource for the generators that read one. Only http, https and ftp URLs are
// followed (also across redirects); a transfer has a connect and a total time limit, a size cap
// (the file loaders' cap) and a limited number of redirects. An HTTP error status is a failure,
// never data. TLS certificates are verified (chain and host name) unless the caller asks
// otherwise for that one call. In a process confined to this machine (platform/Confinement.h)
// every address, each redirect's too, is judged before its host is looked up, and no proxy is
// used.
#include <cstddef>
#include <string>

#include "synthor/engine/SynthorExport.h"
#include "synthor/generators/base/FileLoaders.h"

namespace download {

struct Options {
  long connectTimeoutMs = 15000;
  long totalTimeoutMs = 120000;
  std::size_t maxBytes = FileLoaders::kMaxFileBytes;  // a larger response is refused whole
  long maxRedirects = 5;
  // Skips the certificate checks for this call: libcurl cannot accept an expired or misnamed
  // certificate while still checking its issuer, so this accepts any certificate.
  bool ignoreCertificateErrors = false;
};

struct Result {
  bool ok = false;
  std::string bytes;  // the body; empty when !ok
  long status = 0;    // the server's status (HTTP) or reply code (FTP), 0 when none came
  int curlCode = 0;   // libcurl's result code, 0 on success
  std::wstring error;  // why it failed, for a person
};

// Fetches `url`. Safe to call from several threads at once.
SYNTHOR_API Result Fetch(const std::wstring& url, const Options& options = Options());

// The text of downloaded bytes, decoded as the file loaders decode files: a byte-order mark
// (UTF-8, UTF-16LE or UTF-16BE), else UTF-8 when valid, else one character per byte.
SYNTHOR_API std::wstring DecodeDownloadedText(const std::string& bytes);

}  // namespace download
