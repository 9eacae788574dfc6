// A small HTTP server on the loopback interface, run by a test for the
// length of its life: it answers each request from a fixed table of pages
// and keeps the request lines it received.  Every connection gets one answer
// and is closed.
#pragma once

#include <windows.h>
#include <winsock2.h>

#include <map>
#include <string>
#include <vector>

#include "runtime/handles.h"

namespace kb::support {

struct HttpPage {
  int status = 200;
  std::string body;
};

class LoopbackHttpServer {
 public:
  // Pages by request target ("/data.bin?x=1"); anything else is a 404.
  explicit LoopbackHttpServer(std::map<std::string, HttpPage> pages);
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;
  // Stops listening and waits for the serving thread to end.
  ~LoopbackHttpServer();

  // "http://127.0.0.1:<port><target>".
  std::wstring Url(std::wstring_view target) const;
  // The request lines received so far ("GET /data.bin HTTP/1.1").
  std::vector<std::string> Requests() const;

 private:
  static DWORD WINAPI Serve(void* self);
  void Answer(SOCKET connection);

  std::map<std::string, HttpPage> pages_;
  SOCKET listener_ = INVALID_SOCKET;
  unsigned short port_ = 0;
  kb::Handle thread_;
  mutable CRITICAL_SECTION lock_;
  std::vector<std::string> requests_;
};

}  // namespace kb::support
