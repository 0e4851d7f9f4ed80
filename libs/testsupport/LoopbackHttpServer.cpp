#include "testsupport/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

#include "platform/Process.h"
#include "platform/Text.h"

namespace testsupport {

struct LoopbackHttpServer::Tls {
  struct CtxFree {
    void operator()(SSL_CTX* c) const { SSL_CTX_free(c); }
  };
  std::unique_ptr<SSL_CTX, CtxFree> ctx;
};

namespace {

struct SslFree {
  void operator()(SSL* s) const { SSL_free(s); }
};

const char* Reason(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(Handler handler, const std::string& certFile,
                                       const std::string& keyFile)
    : handler_(std::move(handler)) {
  if (!certFile.empty()) {
    tls_ = std::make_unique<Tls>();
    tls_->ctx.reset(SSL_CTX_new(TLS_server_method()));
    if (!tls_->ctx ||
        SSL_CTX_use_certificate_file(tls_->ctx.get(), certFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(tls_->ctx.get(), keyFile.c_str(), SSL_FILETYPE_PEM) != 1)
      return;
  }
  listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listener_ < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener_, 16) != 0 ||
      getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return;
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
}

std::wstring LoopbackHttpServer::Url(const std::string& path, const std::string& scheme) const {
  return platform::FromUtf8(scheme + "://127.0.0.1:" + std::to_string(port_) + path);
}

bool LoopbackHttpServer::Wait(int ms) const {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (stop_) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return !stop_;
}

void LoopbackHttpServer::Serve() {
  while (!stop_) {
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, 50) <= 0) continue;
    const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    timeval limit{1, 0};
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    Answer(client);
    close(client);
  }
}

void LoopbackHttpServer::Answer(int client) {
  std::unique_ptr<SSL, SslFree> ssl;
  if (tls_) {
    ssl.reset(SSL_new(tls_->ctx.get()));
    if (!ssl) return;
    SSL_set_fd(ssl.get(), client);
    if (SSL_accept(ssl.get()) != 1) {  // a client that refused the certificate ends here
      ERR_clear_error();
      return;
    }
  }
  const auto receive = [&](char* data, int n) {
    return ssl ? SSL_read(ssl.get(), data, n) : static_cast<int>(recv(client, data, n, 0));
  };
  const auto sendAll = [&](const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const int n = static_cast<int>(std::min<std::size_t>(bytes.size() - sent, 65536));
      const int done = ssl ? SSL_write(ssl.get(), bytes.data() + sent, n)
                           : static_cast<int>(send(client, bytes.data() + sent, n, MSG_NOSIGNAL));
      if (done <= 0) return;
      sent += static_cast<std::size_t>(done);
    }
  };
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
    const int n = receive(buffer, sizeof buffer);
    if (n <= 0) return;
    request.append(buffer, static_cast<std::size_t>(n));
  }
  ++requests_;
  // "GET /path HTTP/1.1"
  const std::size_t a = request.find(' ');
  const std::size_t b = a == std::string::npos ? a : request.find(' ', a + 1);
  const std::string path = b == std::string::npos ? "/" : request.substr(a + 1, b - a - 1);
  const HttpReply reply = handler_(path);
  if (reply.delayMs > 0 && !Wait(reply.delayMs)) return;
  std::ostringstream head;
  head << "HTTP/1.1 " << reply.status << ' ' << Reason(reply.status) << "\r\n"
       << "Content-Length: " << reply.body.size() << "\r\nConnection: close\r\n";
  for (const auto& [name, value] : reply.headers) head << name << ": " << value << "\r\n";
  head << "\r\n";
  sendAll(head.str() + reply.body);
  if (ssl) SSL_shutdown(ssl.get());
}

bool MakeTestCertificate(const std::string& folder, std::string* certFile, std::string* keyFile) {
  const std::string cert = folder + "/cert.pem";
  const std::string key = folder + "/key.pem";
  // -1 when there is no openssl command to start.
  const int rc = platform::RunAndWait(
      L"openssl",
      {L"req", L"-x509", L"-newkey", L"rsa:2048", L"-nodes", L"-days", L"2", L"-subj",
       L"/CN=localhost", L"-keyout", platform::FromUtf8(key), L"-out", platform::FromUtf8(cert)});
  if (rc == -1) return false;
  *certFile = cert;
  *keyFile = key;
  return rc == 0;
}

}  // namespace testsupport
