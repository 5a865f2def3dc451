// SPDX-License-Identifier: MIT
#include "embed.h"

#include "server.h"
#include "service.h"

#include <memory>

namespace scores_server {

struct Embedded {
    std::unique_ptr<scores::Store> store;
    std::unique_ptr<service::Service> service;
    httpd::Server* http = nullptr;
};

Embedded* startEmbedded(const std::string& sqlitePath, std::string* err) {
    std::string error;
    auto e = std::make_unique<Embedded>();
    e->store = scores::openSqlite(sqlitePath, error);
    if (e->store) {
        // The game is the only client: no submission limit, one thread, no access log.
        e->service = std::make_unique<service::Service>(*e->store, service::defaultBoards(), 0);
        httpd::Options options;
        options.threads = 1;
        options.log = false;
        auto* svc = e->service.get();
        e->http = httpd::start(
            options, [svc](const service::Request& r) { return svc->handle(r); }, error);
    }
    if (!e->http) {
        if (err) *err = error;
        return nullptr;
    }
    return e.release();
}

int port(Embedded* server) {
    return server ? httpd::port(server->http) : 0;
}

void stop(Embedded* server) {
    if (!server) return;
    httpd::stop(server->http);
    delete server;
}

} // namespace scores_server
