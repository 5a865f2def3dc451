// SPDX-License-Identifier: MIT
// The HTTP side of the score service: libmicrohttpd with epoll on a few threads. A connection
// that sends slowly costs a socket and a small buffer, not a thread, so a hundred trickling
// clients do not stop anyone else; each address gets a bounded number of connections and each
// request an overall deadline for its headers and body.
#pragma once

#include "service.h"

#include <functional>
#include <string>

namespace httpd {

struct Options {
    std::string host = "127.0.0.1";
    int port = 0; // 0: any free port
    unsigned threads = 4;
    unsigned maxConnections = 1000;
    unsigned perAddress = 32;    // connections from one client address
    unsigned idleSeconds = 15;   // a connection that sends nothing for this long is closed
    unsigned deadlineMs = 10000; // from a request's first byte (or the last reply) to its end
    size_t maxBody = 4096;       // a submission is about 130 bytes
    bool log = true;             // one access-log line per request on stderr
};

using Handler = std::function<service::Reply(const service::Request&)>;

class Server;

// Listening when it returns; null with a message otherwise.
Server* start(const Options& options, Handler handler, std::string& error);
int port(const Server* server);
void stop(Server* server); // waits for the threads, frees the server

} // namespace httpd
