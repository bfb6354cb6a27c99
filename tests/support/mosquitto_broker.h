#pragma once
// A real MQTT broker for the tests: mosquitto as a child process on a free loopback port,
// with a configuration the test writes (plain, or with a password file and TLS with
// certificates made here with openssl). Stopped, and restarted on the same port, at will;
// never the system's service.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "e2e/processes.h"

namespace testing_support {

// The mosquitto program: on the PATH, or where Debian puts it.
inline std::string mosquittoProgram() {
    for (const char* dir : {"/usr/sbin", "/usr/local/sbin", "/usr/bin"}) {
        const std::string p = std::string(dir) + "/mosquitto";
        if (::access(p.c_str(), X_OK) == 0) return p;
    }
    return {};
}

// A TCP port on 127.0.0.1 that nothing listens on now.
inline int freeLoopbackPort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0) {
        port = ntohs(a.sin_port);
    }
    ::close(s);
    return port;
}

inline bool acceptsConnections(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

// A certificate authority and a broker certificate for 127.0.0.1 and localhost signed by it,
// made with openssl in dir: ca.crt, server.crt, server.key. False when openssl failed.
inline bool makeCertificates(const std::string& dir) {
    const std::string cmd =
        "cd '" + dir +
        "' && openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 "
        "-subj '/CN=fathom test CA' && "
        "openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr "
        "-subj '/CN=localhost' && "
        "printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' > ext.cnf && "
        "openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial "
        "-out server.crt -days 2 -extfile ext.cnf && chmod 644 server.key";
    return std::system(("(" + cmd + ") >/dev/null 2>&1").c_str()) == 0;
}

class MosquittoBroker {
  public:
    struct Options {
        bool secure = false;  // password file (user "station", password "s3cret") and TLS
    };
    // Writes the configuration in dir (its own folder "broker") and starts the broker.
    MosquittoBroker(const e2e::ScratchDir& dir, Options o) : dir_(dir / "broker"), o_(o) {
        std::filesystem::create_directories(dir_);
        port_ = freeLoopbackPort();
        if (o_.secure) {
            if (!makeCertificates(dir_)) return;
            const std::string cmd = "mosquitto_passwd -b -c '" + dir_ +
                                    "/passwd' station s3cret >/dev/null 2>&1";
            if (std::system(cmd.c_str()) != 0) return;
        }
        std::ofstream conf(dir_ + "/mosquitto.conf");
        const passwd* me = ::getpwuid(::getuid());
        // Run as root, mosquitto would become the user "mosquitto", who cannot read the
        // test's folder.
        if (me != nullptr) conf << "user " << me->pw_name << "\n";
        conf << "listener " << port_ << " 127.0.0.1\n";
        if (o_.secure) {
            conf << "allow_anonymous false\npassword_file " << dir_ << "/passwd\n"
                 << "cafile " << dir_ << "/ca.crt\ncertfile " << dir_ << "/server.crt\n"
                 << "keyfile " << dir_ << "/server.key\n";
        } else {
            conf << "allow_anonymous true\n";
        }
        // Sessions and queued messages live through a stop and start.
        conf << "persistence true\npersistence_location " << dir_ << "/\n"
             << "max_queued_messages 0\nmax_inflight_messages 0\n"
             << "log_dest file " << dir_ << "/mosquitto.log\n";
        conf.close();
        ready_ = start();
    }
    ~MosquittoBroker() { stop(); }

    bool ready() const { return ready_; }
    int port() const { return port_; }
    std::string url() const {
        return std::string(o_.secure ? "mqtts" : "mqtt") + "://127.0.0.1:" + std::to_string(port_);
    }
    std::string caFile() const { return dir_ + "/ca.crt"; }
    std::string log() const { return e2e::readFile(dir_ + "/mosquitto.log"); }

    // Stops the broker as its service would (it saves its sessions); true when it ended.
    bool stop() {
        if (!child_ || !child_->running()) return true;
        child_->signal(SIGTERM);
        const bool ended = child_->wait(10);
        child_.reset();
        return ended;
    }
    // Starts it (again) on the same port; true once it accepts connections.
    bool start() {
        const std::string program = mosquittoProgram();
        if (program.empty()) return false;
        child_.emplace(std::vector<std::string>{program, "-c", dir_ + "/mosquitto.conf"},
                       dir_ + "/stdout", dir_ + "/stderr");
        return e2e::waitFor([this] { return acceptsConnections(port_); }, 10);
    }

  private:
    std::string dir_;
    Options o_;
    int port_ = 0;
    bool ready_ = false;
    std::optional<e2e::Child> child_;
};

}  // namespace testing_support
