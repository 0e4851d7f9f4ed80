#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for tests of code that downloads: it runs on its own
// thread inside the test process, answers one request per connection from a handler, and speaks
// TLS when given a certificate and key. It never reaches beyond the loopback address.
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

struct HttpReply {
  int status = 200;
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;  // besides Content-Length
  int delayMs = 0;  // waits this long before answering (a slow server)
};

class LoopbackHttpServer {
 public:
  using Handler = std::function<HttpReply(const std::string& path)>;

  // Listens on an ephemeral port of 127.0.0.1; with `certFile` and `keyFile` (PEM) it speaks TLS.
  explicit LoopbackHttpServer(Handler handler, const std::string& certFile = "",
                              const std::string& keyFile = "");
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  bool Listening() const { return port_ != 0; }
  int Port() const { return port_; }
  // "<scheme>://127.0.0.1:<port><path>", scheme "http" unless given.
  std::wstring Url(const std::string& path, const std::string& scheme = "http") const;
  int Requests() const { return requests_.load(); }

 private:
  struct Tls;
  void Serve();
  void Answer(int client);
  bool Wait(int ms) const;  // false when stopping

  Handler handler_;
  std::unique_ptr<Tls> tls_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> requests_{0};
  std::thread thread_;
};

// Writes a self-signed certificate for "localhost" and its key into `folder` with the openssl
// command. False when the command is missing or fails.
bool MakeTestCertificate(const std::string& folder, std::string* certFile, std::string* keyFile);

}  // namespace testsupport
