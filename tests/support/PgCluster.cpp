#include "support/PgCluster.h"

#include <stdlib.h>
#include <unistd.h>
#include <pwd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "pg/PgConnection.h"

namespace pgtest {
namespace {

const char* kBin = "/usr/lib/postgresql/15/bin";

class Cluster {
public:
    Cluster() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "corvane-pg-XXXXXX").string();
        if (!::mkdtemp(tmpl.data())) {
            m_error = "cannot make a temporary directory";
            return;
        }
        m_dir = tmpl;
        // As root the server runs as postgres, which must own its directory.
        if (::geteuid() == 0) {
            const passwd* pw = ::getpwnam("postgres");
            if (!pw || ::chown(m_dir.c_str(), pw->pw_uid, pw->pw_gid) != 0) {
                m_error = "no postgres user to run the server as";
                return;
            }
            m_as = "runuser -u postgres -- ";
        }
        const std::string data = m_dir + "/data";
        if (!run(std::string(kBin) + "/initdb -D " + data + " -A trust -U postgres -E WIN1252 --locale=C --no-sync") ||
            !run(std::string(kBin) + "/pg_ctl -D " + data + " -l " + m_dir + "/log -w -o \"-c listen_addresses='' "
                 "-c unix_socket_directories='" + m_dir + "' -c fsync=off -c synchronous_commit=off "
                 "-c full_page_writes=off\" start")) {
            m_error = "the test server did not start (see " + m_dir + "/log)";
            return;
        }
        m_started = true;
    }
    ~Cluster() {
        if (m_started) run(std::string(kBin) + "/pg_ctl -D " + m_dir + "/data -m immediate -w stop");
        std::error_code ec;
        if (!m_dir.empty()) std::filesystem::remove_all(m_dir, ec);
    }
    std::string uri(const std::string& db) const {
        return "postgresql:///" + db + "?host=" + m_dir + "&user=postgres";
    }
    const std::string& error() const { return m_error; }
    const std::string& dir() const { return m_dir; }
    bool started() const { return m_started; }

private:
    bool run(const std::string& command) { return std::system((m_as + command + " >/dev/null 2>&1").c_str()) == 0; }
    std::string m_dir, m_as, m_error;
    bool m_started = false;
};

Cluster& cluster() {
    static Cluster c;
    return c;
}

}  // namespace

std::string socketDir() { return cluster().dir(); }

std::string freshDatabase(std::string* error) {
    Cluster& c = cluster();
    if (!c.started()) {
        *error = c.error();
        return {};
    }
    static std::atomic<int> serial{0};
    const std::string name = "t" + std::to_string(::getpid()) + "_" + std::to_string(++serial);
    std::unique_ptr<pg::Connection> admin = pg::Connection::open(c.uri("postgres"), error);
    if (!admin) return {};
    pg::Result r = admin->exec("CREATE DATABASE " + name);
    if (!r.ok()) {
        *error = r.message();
        return {};
    }
    return c.uri(name);
}

}  // namespace pgtest
