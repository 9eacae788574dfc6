#include "tests/shell/http_server.h"

#include <ws2tcpip.h>

#include <stdexcept>

namespace kb::support {
namespace {

class Lock {
 public:
  explicit Lock(CRITICAL_SECTION& section) : section_(section) {
    ::EnterCriticalSection(&section_);
  }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;
  ~Lock() { ::LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION& section_;
};

// The request head, up to its empty line.
std::string ReadHead(SOCKET connection) {
  std::string head;
  char chunk[1024];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
    const int n = ::recv(connection, chunk, sizeof chunk, 0);
    if (n <= 0) break;
    head.append(chunk, static_cast<size_t>(n));
  }
  return head;
}

void SendAll(SOCKET connection, const std::string& data) {
  for (size_t sent = 0; sent < data.size();) {
    const int n = ::send(connection, data.data() + sent, static_cast<int>(data.size() - sent), 0);
    if (n <= 0) return;
    sent += static_cast<size_t>(n);
  }
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(std::map<std::string, HttpPage> pages)
    : pages_(std::move(pages)) {
  ::InitializeCriticalSection(&lock_);
  WSADATA data;
  if (::WSAStartup(MAKEWORD(2, 2), &data)) throw std::runtime_error("WSAStartup failed");
  listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
  int length = sizeof address;
  if (listener_ == INVALID_SOCKET ||
      ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) ||
      ::listen(listener_, 8) ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length))
    throw std::runtime_error("the loopback server cannot listen");
  port_ = ::ntohs(address.sin_port);
  thread_.Reset(::CreateThread(nullptr, 0, &Serve, this, 0, nullptr));
}

LoopbackHttpServer::~LoopbackHttpServer() {
  // Closing the listener ends the thread's accept.
  ::closesocket(listener_);
  ::WaitForSingleObject(thread_.Get(), INFINITE);
  ::WSACleanup();
  ::DeleteCriticalSection(&lock_);
}

std::wstring LoopbackHttpServer::Url(std::wstring_view target) const {
  return L"http://127.0.0.1:" + std::to_wstring(port_) + std::wstring(target);
}

std::vector<std::string> LoopbackHttpServer::Requests() const {
  Lock lock(lock_);
  return requests_;
}

DWORD WINAPI LoopbackHttpServer::Serve(void* self) {
  auto* server = static_cast<LoopbackHttpServer*>(self);
  for (;;) {
    const SOCKET connection = ::accept(server->listener_, nullptr, nullptr);
    if (connection == INVALID_SOCKET) return 0;
    // A client that connects and never sends its request (a speculative
    // second connection, for one) cannot hold the server.
    const DWORD patience = 2000;
    ::setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&patience),
                 sizeof patience);
    server->Answer(connection);
    ::shutdown(connection, SD_SEND);
    ::closesocket(connection);
  }
}

void LoopbackHttpServer::Answer(SOCKET connection) {
  const std::string head = ReadHead(connection);
  const std::string line = head.substr(0, head.find("\r\n"));
  {
    Lock lock(lock_);
    requests_.push_back(line);
  }
  // "GET <target> HTTP/1.1"
  const size_t start = line.find(' ') + 1;
  const std::string target = line.substr(start, line.rfind(' ') - start);
  const auto page = pages_.find(target);
  const HttpPage reply = page != pages_.end() ? page->second : HttpPage{404, "no such page"};
  std::string answer = "HTTP/1.1 " + std::to_string(reply.status) +
                       (reply.status == 200 ? " OK" : " Not Found") +
                       "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
                       std::to_string(reply.body.size()) + "\r\nConnection: close\r\n\r\n";
  answer += reply.body;
  SendAll(connection, answer);
}

}  // namespace kb::support
