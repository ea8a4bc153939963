#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace spisotek::testing {

// One request as the server saw it; header names are lower-cased.
struct HttpRequest {
    std::string method;
    std::string path;
    std::map<std::string, std::string> headers;
};

// A canned answer for one path. Without a route the server serves its folder.
struct HttpRoute {
    int status = 200;
    std::string body;
    bool sendContentLength = true;
    std::optional<std::uint64_t> claimedLength;  // a Content-Length that lies
    std::optional<size_t> breakAfter;            // close the connection after this many bytes
    int delayBeforeHeadersMs = 0;
    size_t chunkSize = 0;         // send the body in pieces of this size...
    int chunkDelayMs = 0;         // ...with this pause between them
    bool stallAfterBody = false;  // keep the connection open and silent after the bytes sent
    std::vector<std::pair<std::string, std::string>> extraHeaders;
};

// A real HTTP/1.1 server on 127.0.0.1 at a port the system chooses. Serves files from a
// folder (GET and HEAD; a path that leaves the folder or names none is 404), answers routes
// set by the test, and checks Basic authentication when asked. Every connection gets its own
// thread and is closed after one answer. Stop (or the destructor) ends everything, also
// answers that are stalling on purpose.
class HttpTestServer {
  public:
    explicit HttpTestServer(std::string folder = {});
    ~HttpTestServer();
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    bool Start();
    void Stop();

    std::uint16_t Port() const { return port_; }
    // "http://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path) const;

    void SetRoute(const std::string& path, HttpRoute route);
    // Every request must carry these credentials, else 401 with a Basic challenge.
    void RequireBasicAuth(const std::string& user, const std::string& password);
    std::vector<HttpRequest> Requests() const;

  private:
    void AcceptLoop();
    void Serve(int fd);
    bool SleepUnlessStopped(int milliseconds);
    bool SendAll(int fd, const char* data, size_t size);

    std::string folder_;
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread acceptThread_;
    mutable std::mutex mutex_;
    std::vector<std::thread> workers_;
    std::map<std::string, HttpRoute> routes_;
    std::optional<std::string> expectedAuthorization_;
    std::vector<HttpRequest> requests_;
};

}  // namespace spisotek::testing
