#pragma once
// A small HTTP server on 127.0.0.1 for tests: serves fixed bodies by path on an
// ephemeral port from a thread of its own, and records the requests it got.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tessary::test {

class TestHttpServer {
 public:
  TestHttpServer();
  ~TestHttpServer();
  TestHttpServer(const TestHttpServer&) = delete;
  TestHttpServer& operator=(const TestHttpServer&) = delete;

  bool IsListening() const { return listener_ != kNoSocket; }
  unsigned short Port() const { return port_; }
  // "http://127.0.0.1:<port>" + path.
  std::wstring Url(const std::string& path) const;
  // Serves body for GET path with the given content type and status line;
  // other paths get 404.
  void Serve(const std::string& path, const std::string& body, const std::string& type = "text/plain",
             const std::string& status = "200 OK");
  int Requests() const { return requests_; }

  struct Request {
    std::string path;
    // When the request's head had arrived.
    std::chrono::steady_clock::time_point received;
    // Header lines as sent, names as the client spelled them.
    std::vector<std::pair<std::string, std::string>> headers;
    // The value of the first header of that name (any case), or empty.
    std::string Header(const std::string& name) const;
  };
  std::vector<Request> Received() const;
  int RequestsFor(const std::string& path) const;

 private:
  // A socket handle, kept out of this header so that it needs no Winsock.
  using Socket = uintptr_t;
  static constexpr Socket kNoSocket = ~Socket(0);

  void Run();
  void Answer(Socket client);
  static bool SendAll(Socket client, const char* bytes, size_t count);

  Socket listener_ = kNoSocket;
  unsigned short port_ = 0;
  struct Response {
    std::string status;
    std::string type;
    std::shared_ptr<const std::string> body;
  };

  mutable std::mutex mutex_;
  std::map<std::string, Response> responses_;
  std::vector<Request> received_;
  std::atomic<int> requests_{0};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace tessary::test
