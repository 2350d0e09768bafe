#include <winsock2.h>
#include <ws2tcpip.h>

#include "TestHttpServer.h"

#include <shlwapi.h>

#include <algorithm>

namespace tessary::test {
namespace {

// The request line's path and the header lines of a request head.
TestHttpServer::Request ParseRequest(const std::string& head) {
  TestHttpServer::Request request;
  request.received = std::chrono::steady_clock::now();
  const size_t start = head.find(' ') + 1;
  request.path = head.substr(start, head.find(' ', start) - start);
  for (size_t line = head.find("\r\n") + 2, end; (end = head.find("\r\n", line)) != std::string::npos && end > line;
       line = end + 2) {
    const size_t colon = head.find(':', line);
    if (colon == std::string::npos || colon > end) continue;
    const size_t value = head.find_first_not_of(' ', colon + 1);
    request.headers.emplace_back(head.substr(line, colon - line), head.substr(value, end - value));
  }
  return request;
}

}  // namespace

std::string TestHttpServer::Request::Header(const std::string& name) const {
  for (const auto& [key, value] : headers) {
    if (::StrCmpIA(key.c_str(), name.c_str()) == 0) return value;
  }
  return "";
}

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

void TestHttpServer::Serve(const std::string& path, const std::string& body, const std::string& type,
                           const std::string& status) {
  std::lock_guard<std::mutex> lock(mutex_);
  responses_[path] = {status, type, std::make_shared<const std::string>(body)};
}

std::vector<TestHttpServer::Request> TestHttpServer::Received() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return received_;
}

int TestHttpServer::RequestsFor(const std::string& path) const {
  int count = 0;
  for (const Request& request : Received()) count += request.path == path;
  return count;
}

bool TestHttpServer::SendAll(Socket client, const char* bytes, size_t count) {
  while (count > 0) {
    const int sent = ::send(client, bytes, static_cast<int>(std::min<size_t>(count, 1 << 20)), 0);
    if (sent <= 0) return false;
    bytes += sent;
    count -= sent;
  }
  return true;
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
  Request received = ParseRequest(request.substr(0, request.find("\r\n\r\n") + 2));
  Response response = {"404 Not Found", "text/plain", std::make_shared<const std::string>("not found")};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = responses_.find(received.path);
    if (found != responses_.end()) response = found->second;
    received_.push_back(std::move(received));
  }
  ++requests_;
  const std::string head = "HTTP/1.1 " + response.status + "\r\nContent-Type: " + response.type +
                           "\r\nContent-Length: " + std::to_string(response.body->size()) +
                           "\r\nConnection: close\r\n\r\n";
  // Large bodies go out as they are, without a copy.
  if (SendAll(client, head.data(), head.size())) SendAll(client, response.body->data(), response.body->size());
}

}  // namespace tessary::test
