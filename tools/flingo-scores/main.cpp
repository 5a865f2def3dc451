// SPDX-License-Identifier: MIT
// flingo-scores: the reference score service. Takes form-encoded score submissions and board
// requests and answers with HTML boards; /healthz tells whether the database answers.
#include "config.h"
#include "server.h"
#include "service.h"

#include <csignal>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (!strcmp(argv[i], "--help") || !strcmp(argv[i], "-h")) {
            fputs(config::USAGE, stdout);
            return 0;
        }
    config::Config cfg;
    std::string error;
    if (!config::parse(argc, argv, cfg, error)) {
        fprintf(stderr, "flingo-scores: %s\n%s", error.c_str(), config::USAGE);
        return 2;
    }

    std::unique_ptr<scores::Store> store = scores::isPostgresUrl(cfg.db)
                                               ? scores::openPostgres(cfg.db, error)
                                               : scores::openSqlite(cfg.db, error);
    if (!store) {
        // Never echo a URL: it may carry a password.
        fprintf(stderr, "flingo-scores: cannot open the database: %s\n", error.c_str());
        return 1;
    }

    // Stop cleanly on SIGINT/SIGTERM: block them in every thread, wait for them here.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    service::Service svc(*store, cfg.boards, cfg.submitsPerMinute);
    httpd::Server* http = httpd::start(
        cfg.http, [&svc](const service::Request& r) { return svc.handle(r); }, error);
    if (!http) {
        fprintf(stderr, "flingo-scores: %s\n", error.c_str());
        return 1;
    }
    printf("flingo-scores listening on http://%s:%d\n", cfg.http.host.c_str(), httpd::port(http));
    fflush(stdout);

    int sig = 0;
    sigwait(&stop_signals, &sig);
    httpd::stop(http);
    return 0;
}
