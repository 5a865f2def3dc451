// SPDX-License-Identifier: MIT
#include "server.h"

#include <microhttpd.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace httpd {

using Clock = std::chrono::steady_clock;

class Server {
  public:
    Options options;
    Handler handler;
    MHD_Daemon* daemon = nullptr;
    int port = 0;

    // Connections and when their current request began (the connection's start or the end of
    // its last reply). The watchdog shuts down those past the deadline. A connection is removed
    // here before libmicrohttpd closes its socket, so a shut-down descriptor is never reused.
    struct Live {
        int fd;
        Clock::time_point since;
        bool cut = false;
    };
    std::mutex lock;
    std::unordered_map<MHD_Connection*, Live> live;
    std::condition_variable wake;
    bool stopping = false;
    std::thread watchdog;
};

namespace {

// What one request collects until its body is complete.
struct Pending {
    Clock::time_point start = Clock::now();
    std::string body;
    bool tooLarge = false;
};

std::string clientAddress(MHD_Connection* c) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    char text[INET6_ADDRSTRLEN] = "?";
    if (info && info->client_addr) {
        const sockaddr* sa = info->client_addr;
        if (sa->sa_family == AF_INET)
            inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(sa)->sin_addr, text,
                      sizeof text);
        else if (sa->sa_family == AF_INET6)
            inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(sa)->sin6_addr, text,
                      sizeof text);
    }
    return text;
}

MHD_Result send(MHD_Connection* c, const service::Reply& reply) {
    MHD_Response* r = MHD_create_response_from_buffer(
        reply.body.size(), const_cast<char*>(reply.body.data()), MHD_RESPMEM_MUST_COPY);
    if (!r) return MHD_NO;
    MHD_add_response_header(r, MHD_HTTP_HEADER_CONTENT_TYPE, reply.type.c_str());
    if (!reply.allow.empty())
        MHD_add_response_header(r, MHD_HTTP_HEADER_ALLOW, reply.allow.c_str());
    const MHD_Result ok = MHD_queue_response(c, static_cast<unsigned>(reply.status), r);
    MHD_destroy_response(r);
    return ok;
}

void logLine(const char* method, const char* path, int status, Clock::time_point start) {
    // No client address, player id or position: method, path, status and time only.
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    fprintf(stderr, "%s %s %d %.1fms\n", method, path, status, ms);
}

MHD_Result onRequest(void* cls, MHD_Connection* c, const char* url, const char* method, const char*,
                     const char* data, size_t* size, void** context) {
    auto* srv = static_cast<Server*>(cls);
    auto* pending = static_cast<Pending*>(*context);
    if (!pending) {
        pending = new Pending;
        *context = pending;
        const char* length =
            MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
        if (length && std::strtoull(length, nullptr, 10) > srv->options.maxBody)
            pending->tooLarge = true; // refused before its body is read
        else
            return MHD_YES;
    }
    if (*size > 0 && !pending->tooLarge) {
        if (pending->body.size() + *size > srv->options.maxBody)
            pending->tooLarge = true;
        else
            pending->body.append(data, *size);
        *size = 0;
        return MHD_YES;
    }
    service::Reply reply;
    if (pending->tooLarge) {
        reply = {413, "text/plain", "request too large\n", ""};
    } else {
        reply = srv->handler({method, url, std::move(pending->body), clientAddress(c)});
    }
    if (srv->options.log) logLine(method, url, reply.status, pending->start);
    return send(c, reply);
}

void onCompleted(void* cls, MHD_Connection* c, void** context, MHD_RequestTerminationCode) {
    delete static_cast<Pending*>(*context);
    *context = nullptr;
    auto* srv = static_cast<Server*>(cls);
    std::lock_guard<std::mutex> hold(srv->lock);
    auto it = srv->live.find(c);
    if (it != srv->live.end()) it->second.since = Clock::now();
}

void onConnection(void* cls, MHD_Connection* c, void**, MHD_ConnectionNotificationCode code) {
    auto* srv = static_cast<Server*>(cls);
    std::lock_guard<std::mutex> hold(srv->lock);
    if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
        srv->live.erase(c);
        return;
    }
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD);
    if (info) srv->live[c] = {info->connect_fd, Clock::now()};
}

void watch(Server* srv) {
    const auto deadline = std::chrono::milliseconds(srv->options.deadlineMs);
    std::unique_lock<std::mutex> hold(srv->lock);
    while (!srv->stopping) {
        srv->wake.wait_for(hold, std::chrono::milliseconds(100));
        const auto now = Clock::now();
        for (auto& [conn, l] : srv->live)
            if (!l.cut && now - l.since > deadline) {
                // The event loop sees the end of the stream and closes the connection.
                shutdown(l.fd, SHUT_RDWR);
                l.cut = true;
            }
    }
}

} // namespace

Server* start(const Options& options, Handler handler, std::string& error) {
    auto* srv = new Server;
    srv->options = options;
    srv->handler = std::move(handler);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(options.port));
    if (inet_pton(AF_INET, options.host.c_str(), &addr.sin_addr) != 1) {
        error = "not an IPv4 address: " + options.host;
        delete srv;
        return nullptr;
    }
    const unsigned flags = MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL;
    srv->daemon = MHD_start_daemon(
        flags, 0, nullptr, nullptr, onRequest, srv, MHD_OPTION_SOCK_ADDR, &addr,
        MHD_OPTION_THREAD_POOL_SIZE, options.threads, MHD_OPTION_CONNECTION_LIMIT,
        options.maxConnections, MHD_OPTION_PER_IP_CONNECTION_LIMIT, options.perAddress,
        MHD_OPTION_CONNECTION_TIMEOUT, options.idleSeconds, MHD_OPTION_CONNECTION_MEMORY_LIMIT,
        size_t{32 * 1024}, MHD_OPTION_NOTIFY_COMPLETED, onCompleted, srv,
        MHD_OPTION_NOTIFY_CONNECTION, onConnection, srv, MHD_OPTION_END);
    if (!srv->daemon) {
        error = "cannot listen on " + options.host + ":" + std::to_string(options.port);
        delete srv;
        return nullptr;
    }
    const MHD_DaemonInfo* info = MHD_get_daemon_info(srv->daemon, MHD_DAEMON_INFO_BIND_PORT);
    srv->port = info ? info->port : options.port;
    srv->watchdog = std::thread(watch, srv);
    return srv;
}

int port(const Server* server) {
    return server->port;
}

void stop(Server* server) {
    if (!server) return;
    {
        std::lock_guard<std::mutex> hold(server->lock);
        server->stopping = true;
    }
    server->wake.notify_all();
    server->watchdog.join();
    MHD_stop_daemon(server->daemon);
    delete server;
}

} // namespace httpd
