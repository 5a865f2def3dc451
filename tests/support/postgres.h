// SPDX-License-Identifier: MIT
// A throw-away PostgreSQL server for tests and benchmarks: initdb in a temporary folder, started
// with pg_ctl on 127.0.0.1 at a free port, stopped and removed at the end. PostgreSQL refuses to
// run as root, so as root the server runs as the `postgres` system user of Debian's package.
#pragma once

#include <glob.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace testpg {

class Server {
  public:
    Server() {
        glob_t g{};
        if (glob("/usr/lib/postgresql/*/bin/pg_ctl", 0, nullptr, &g) != 0 || g.gl_pathc == 0) {
            why = "PostgreSQL is not installed (scripts/install-deps installs it)";
            globfree(&g);
            return;
        }
        bin = g.gl_pathv[g.gl_pathc - 1];
        bin.erase(bin.rfind('/'));
        globfree(&g);
        char tmpl[] = "/tmp/flingo-pg-XXXXXX";
        if (!mkdtemp(tmpl)) return;
        dir = tmpl;
        if (getuid() == 0) {
            const passwd* pw = getpwnam("postgres");
            if (!pw || chown(dir.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
                why = "running as root without a postgres user to run the server as";
                return;
            }
            as = "runuser -u postgres -- ";
        }
        port = freePort();
        const std::string data = dir + "/data";
        if (!run(as + bin + "/initdb -D " + data + " -A trust -U postgres -E UTF8 --locale=C") ||
            !configure(data + "/postgresql.conf") || !start()) {
            why = "PostgreSQL did not start (see " + dir + "/log)";
            return;
        }
        up = true;
    }
    ~Server() {
        if (up) stop();
        if (!dir.empty()) run("rm -rf " + dir);
    }
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // A new empty database; its URL.
    std::string database(const std::string& name) {
        run(as + bin + "/psql -q -h 127.0.0.1 -p " + std::to_string(port) +
            " -U postgres -d postgres -c 'CREATE DATABASE " + name + "'");
        return url(name);
    }
    std::string url(const std::string& name) const {
        return "postgresql://postgres@127.0.0.1:" + std::to_string(port) + "/" + name;
    }
    bool stop() {
        up = false;
        return run(as + bin + "/pg_ctl -D " + dir + "/data -w -m fast stop");
    }
    bool start() {
        up = run(as + bin + "/pg_ctl -D " + dir + "/data -l " + dir + "/log -w -t 60 start");
        return up;
    }

    bool up = false;
    std::string why = "PostgreSQL did not start";
    int port = 0;

  private:
    // Loopback only, at our port, its socket in our folder: never the machine's default server.
    bool configure(const std::string& conf) const {
        FILE* f = fopen(conf.c_str(), "a");
        if (!f) return false;
        fprintf(f, "port = %d\nlisten_addresses = '127.0.0.1'\nunix_socket_directories = '%s'\n",
                port, dir.c_str());
        return fclose(f) == 0;
    }
    static bool run(const std::string& cmd) {
        return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0;
    }
    static int freePort() {
        const int s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t n = sizeof a;
        bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
        close(s);
        return ntohs(a.sin_port);
    }
    std::string bin, dir, as;
};

} // namespace testpg
