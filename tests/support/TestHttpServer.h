#pragma once
// A small HTTP server on 127.0.0.1 for tests: serves fixed bodies by path on an
// ephemeral port from a thread of its own.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>

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
  // Serves body for GET path with the given content type; other paths get 404.
  void Serve(const std::string& path, const std::string& body, const std::string& type = "text/plain");
  int Requests() const { return requests_; }

 private:
  // A socket handle, kept out of this header so that it needs no Winsock.
  using Socket = uintptr_t;
  static constexpr Socket kNoSocket = ~Socket(0);

  void Run();
  void Answer(Socket client);

  Socket listener_ = kNoSocket;
  unsigned short port_ = 0;
  std::mutex mutex_;
  std::map<std::string, std::pair<std::string, std::string>> bodies_;
  std::atomic<int> requests_{0};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace tessary::test
