// SPDX-License-Identifier: MIT
// A throw-away PostgreSQL server for tests and benchmarks: initdb in a temporary folder, started
// with pg_ctl listening on a socket in that folder only, stopped and removed at the end. PostgreSQL
// refuses to run as root, so as root the server runs as the `postgres` system user of Debian's
// package.
#pragma once

#include <glob.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace testpg {

class Server {
  public:
    Server() {
        glob_t g{};
        if (glob("/usr/lib/postgresql/*/bin", 0, nullptr, &g) == 0)
            bin = g.gl_pathv[g.gl_pathc - 1];
        globfree(&g);
        char tmpl[] = "/tmp/flingo-pg-XXXXXX";
        if (bin.empty()) {
            why = "PostgreSQL is not installed (scripts/install-deps installs it)";
            return;
        }
        if (!mkdtemp(tmpl)) return;
        dir = tmpl;
        if (getuid() == 0) {
            const passwd* pw = getpwnam("postgres");
            if (!pw || chown(dir.c_str(), pw->pw_uid, pw->pw_gid) != 0) return; // no one to run as
            as = "runuser -u postgres -- ";
        }
        // No TCP at all, its socket in our folder: never the machine's default server.
        const std::string data = dir + "/data";
        if (!run(as + bin + "/initdb -D " + data + " -A trust -U postgres -E UTF8 --locale=C"))
            return;
        std::ofstream conf(data + "/postgresql.conf", std::ios::app);
        conf << "listen_addresses = ''\nunix_socket_directories = '" << dir << "'\n";
        if (!conf.flush() || !start()) why = "PostgreSQL did not start (see " + dir + "/log)";
    }
    ~Server() {
        if (up) stop();
        if (!dir.empty()) run("rm -rf " + dir);
    }

    // A new empty database; its URL.
    std::string database(const std::string& name) {
        run(as + bin + "/psql -q '" + url("postgres") + "' -c 'CREATE DATABASE " + name + "'");
        return url(name);
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

  private:
    static bool run(const std::string& cmd) {
        return std::system((cmd + " >/dev/null 2>&1").c_str()) == 0;
    }
    std::string url(const std::string& db) const {
        return "postgresql://postgres@/" + db + "?host=" + dir;
    }
    std::string bin, dir, as;
};

} // namespace testpg
