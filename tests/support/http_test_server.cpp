#include "support/http_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/sendfile.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace spisotek::testing {

namespace {

std::string Base64(const std::string& data) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < data.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(data[i]) << 16;
        if (i + 1 < data.size())
            v |= static_cast<unsigned char>(data[i + 1]) << 8;
        if (i + 2 < data.size())
            v |= static_cast<unsigned char>(data[i + 2]);
        out += kAlphabet[(v >> 18) & 63];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < data.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += i + 2 < data.size() ? kAlphabet[v & 63] : '=';
    }
    return out;
}

const char* Reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 401:
            return "Unauthorized";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

std::string UrlDecode(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

}  // namespace

HttpTestServer::HttpTestServer(std::string folder) : folder_(std::move(folder)) {}

HttpTestServer::~HttpTestServer() {
    Stop();
}

bool HttpTestServer::Start() {
    listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        return false;
    }
    int one = 1;
    ::setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 64) != 0 ||
        ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    port_ = ntohs(address.sin_port);
    acceptThread_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void HttpTestServer::Stop() {
    if (listenFd_ < 0) {
        return;
    }
    stopping_ = true;
    acceptThread_.join();
    ::close(listenFd_);
    listenFd_ = -1;
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        workers.swap(workers_);
    }
    for (auto& worker : workers) {
        worker.join();
    }
}

std::string HttpTestServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpTestServer::SetRoute(const std::string& path, HttpRoute route) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(route);
}

void HttpTestServer::RequireBasicAuth(const std::string& user, const std::string& password) {
    std::lock_guard lock(mutex_);
    expectedAuthorization_ = "Basic " + Base64(user + ":" + password);
}

std::vector<HttpRequest> HttpTestServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void HttpTestServer::AcceptLoop() {
    while (!stopping_) {
        pollfd waiting{listenFd_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) {
            continue;
        }
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        std::lock_guard lock(mutex_);
        workers_.emplace_back([this, fd] {
            Serve(fd);
            ::close(fd);
        });
    }
}

bool HttpTestServer::SleepUnlessStopped(int milliseconds) {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (std::chrono::steady_clock::now() < until) {
        if (stopping_) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return !stopping_;
}

bool HttpTestServer::SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent <= 0) {
            return false;
        }
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

void HttpTestServer::Serve(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        pollfd waiting{fd, POLLIN, 0};
        int ready = ::poll(&waiting, 1, 50);
        if (stopping_ || head.size() > 65536) {
            return;
        }
        if (ready <= 0) {
            continue;
        }
        ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) {
            return;
        }
        head.append(buffer, static_cast<size_t>(got));
    }
    HttpRequest request;
    size_t lineEnd = head.find("\r\n");
    std::string requestLine = head.substr(0, lineEnd);
    size_t sp1 = requestLine.find(' ');
    size_t sp2 = requestLine.find(' ', sp1 + 1);
    if (sp1 == std::string::npos || sp2 == std::string::npos) {
        return;
    }
    request.method = requestLine.substr(0, sp1);
    request.path = requestLine.substr(sp1 + 1, sp2 - sp1 - 1);
    size_t pos = lineEnd + 2;
    while (pos < head.size()) {
        size_t end = head.find("\r\n", pos);
        if (end == std::string::npos || end == pos) {
            break;
        }
        std::string line = head.substr(pos, end - pos);
        size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string name = line.substr(0, colon);
            for (char& c : name) {
                c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            }
            size_t valueStart = line.find_first_not_of(' ', colon + 1);
            request.headers[name] = valueStart == std::string::npos ? "" : line.substr(valueStart);
        }
        pos = end + 2;
    }

    std::optional<HttpRoute> route;
    std::optional<std::string> expected;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(request);
        std::string routePath = request.path.substr(0, request.path.find('?'));
        if (auto it = routes_.find(routePath); it != routes_.end()) {
            route = it->second;
        }
        expected = expectedAuthorization_;
    }
    const bool head_only = request.method == "HEAD";

    if (expected) {
        auto it = request.headers.find("authorization");
        if (it == request.headers.end() || it->second != *expected) {
            std::string answer =
                "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"update\"\r\n"
                "Content-Length: 12\r\nConnection: close\r\n\r\nUnauthorized";
            SendAll(fd, answer.data(), answer.size());
            return;
        }
    }

    if (!route) {
        // Folder: the path below the folder, never above it.
        std::string path = UrlDecode(request.path.substr(0, request.path.find('?')));
        bool safe = !folder_.empty() && path.find("..") == std::string::npos;
        int file = -1;
        struct stat info {};
        if (safe) {
            file = ::open((folder_ + path).c_str(), O_RDONLY | O_CLOEXEC);
        }
        if (file < 0 || ::fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
            if (file >= 0) {
                ::close(file);
            }
            std::string answer =
                "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\nConnection: close\r\n\r\nNot Found";
            SendAll(fd, answer.data(), answer.size());
            return;
        }
        std::string answer =
            "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
            "Content-Length: " +
            std::to_string(info.st_size) + "\r\nConnection: close\r\n\r\n";
        if (SendAll(fd, answer.data(), answer.size()) && !head_only) {
            off_t offset = 0;
            while (offset < info.st_size && !stopping_) {
                ssize_t sent =
                    ::sendfile(fd, file, &offset, static_cast<size_t>(info.st_size - offset));
                if (sent < 0 && errno == EINTR) {
                    continue;
                }
                if (sent <= 0) {
                    break;
                }
            }
        }
        ::close(file);
        return;
    }

    if (route->delayBeforeHeadersMs > 0 && !SleepUnlessStopped(route->delayBeforeHeadersMs)) {
        return;
    }
    std::string answer =
        "HTTP/1.1 " + std::to_string(route->status) + " " + Reason(route->status) + "\r\n";
    if (route->claimedLength) {
        answer += "Content-Length: " + std::to_string(*route->claimedLength) + "\r\n";
    } else if (route->sendContentLength) {
        answer += "Content-Length: " + std::to_string(route->body.size()) + "\r\n";
    }
    for (const auto& [name, value] : route->extraHeaders) {
        answer += name + ": " + value + "\r\n";
    }
    answer += "Connection: close\r\n\r\n";
    if (!SendAll(fd, answer.data(), answer.size()) || head_only) {
        return;
    }
    size_t toSend = route->body.size();
    if (route->breakAfter) {
        toSend = std::min(toSend, *route->breakAfter);
    }
    size_t chunk = route->chunkSize > 0 ? route->chunkSize : std::max<size_t>(toSend, 1);
    for (size_t sent = 0; sent < toSend;) {
        size_t piece = std::min(chunk, toSend - sent);
        if (!SendAll(fd, route->body.data() + sent, piece)) {
            return;
        }
        sent += piece;
        if (sent < toSend && route->chunkDelayMs > 0 && !SleepUnlessStopped(route->chunkDelayMs)) {
            return;
        }
    }
    if (route->stallAfterBody) {
        while (SleepUnlessStopped(50)) {
        }
        return;
    }
    if (route->breakAfter) {
        // Broken off: a reset, not an orderly end of the body.
        linger hard{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    }
}

}  // namespace spisotek::testing
