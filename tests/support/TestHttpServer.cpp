#include <winsock2.h>
#include <ws2tcpip.h>

#include "TestHttpServer.h"

namespace tessary::test {

TestHttpServer::TestHttpServer() {
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) return;
  listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int length = sizeof(address);
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
      ::listen(listener_, 16) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    ::closesocket(listener_);
    listener_ = kNoSocket;
    return;
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { Run(); });
}

TestHttpServer::~TestHttpServer() {
  stopping_ = true;
  if (listener_ != kNoSocket) ::closesocket(listener_);
  if (thread_.joinable()) thread_.join();
  ::WSACleanup();
}

std::wstring TestHttpServer::Url(const std::string& path) const {
  return L"http://127.0.0.1:" + std::to_wstring(port_) + std::wstring(path.begin(), path.end());
}

void TestHttpServer::Serve(const std::string& path, const std::string& body, const std::string& type) {
  std::lock_guard<std::mutex> lock(mutex_);
  bodies_[path] = {body, type};
}

void TestHttpServer::Run() {
  while (!stopping_) {
    SOCKET client = ::accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) break;
    Answer(client);
    ::closesocket(client);
  }
}

void TestHttpServer::Answer(Socket client) {
  std::string request;
  char buffer[4096];
  while (request.find("\r\n\r\n") == std::string::npos) {
    const int received = ::recv(client, buffer, sizeof(buffer), 0);
    if (received <= 0) return;
    request.append(buffer, received);
  }
  ++requests_;
  const size_t start = request.find(' ') + 1;
  const std::string path = request.substr(start, request.find(' ', start) - start);
  std::string status = "404 Not Found";
  std::string body = "not found";
  std::string type = "text/plain";
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = bodies_.find(path);
    if (found != bodies_.end()) {
      status = "200 OK";
      body = found->second.first;
      type = found->second.second;
    }
  }
  const std::string response = "HTTP/1.1 " + status + "\r\nContent-Type: " + type +
                               "\r\nContent-Length: " + std::to_string(body.size()) +
                               "\r\nConnection: close\r\n\r\n" + body;
  ::send(client, response.data(), static_cast<int>(response.size()), 0);
}

}  // namespace tessary::test
