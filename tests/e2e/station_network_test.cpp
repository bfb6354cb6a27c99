// The station network with a real broker: stations (fathomhost --headless with the built-in
// simulator) publish to mosquitto, the collector (fathomhost --collect) archives.
#include <gtest/gtest.h>
#include <mosquitto.h>

#include <map>

#include "e2e/processes.h"
#include "support/mosquitto_broker.h"

namespace {

using e2e::Child;
using e2e::ScratchDir;
using e2e::waitFor;
using testing_support::MosquittoBroker;
namespace fs = std::filesystem;

// Every numbered CSV file of a recording or an archive ("rec000.csv", "rec001.csv" ...), in
// number order, end to end.
std::string numberedFiles(const std::string& dir, const std::string& stem) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& f : fs::directory_iterator(dir, ec)) {
        const std::string name = f.path().filename().string();
        if (name.size() == stem.size() + 7 && name.starts_with(stem) && name.ends_with(".csv"))
            files[name] = e2e::readFile(f.path());
    }
    std::string all;
    for (const auto& [name, text] : files) all += text;
    return all;
}

std::string fathomhost() { return (e2e::binDir() / "fathomhost").string(); }

struct Collector {
    Child child;
    Collector(const ScratchDir& dir, const std::string& url, std::vector<std::string> more = {})
        : child(args(dir, url, std::move(more)), dir / "collector.out", dir / "collector.err") {}
    static std::vector<std::string> args(const ScratchDir& dir, const std::string& url,
                                         std::vector<std::string> more) {
        std::vector<std::string> a{fathomhost(), "--collect", url, "--archive", dir / "archive"};
        a.insert(a.end(), more.begin(), more.end());
        return a;
    }
};

// A station with four simulated radio staffs, recording and publishing.
std::unique_ptr<Child> station(const ScratchDir& dir, const std::string& name,
                               const std::string& url, std::vector<std::string> more = {},
                               const std::string& run = "") {
    fs::create_directories(dir / name);
    std::vector<std::string> a = e2e::hostArgs({"--unit-type", "0", "--simulate", "--port", "SIM1",
                                                "--record", dir / (name + "/rec.csv"), "--mqtt",
                                                url, "--station", name});
    a.insert(a.end(), more.begin(), more.end());
    const std::string tag = name + run;
    return std::make_unique<Child>(a, dir / (tag + ".out"), dir / (tag + ".err"));
}

bool grows(const std::string& path, double seconds) {
    return waitFor([&] { return e2e::readFile(path).size() > 300; }, seconds);
}

// Two stations, the broker away for 20 s, one station killed and started again: afterwards
// each station's archive is its own recording, byte for byte.
TEST(StationNetwork, TheArchiveEqualsEachStationsRecordingAcrossOutagesAndRestarts) {
    ScratchDir dir;
    MosquittoBroker broker(dir, {});
    ASSERT_TRUE(broker.ready()) << "mosquitto did not start: " << broker.log();
    Collector collector(dir, broker.url());
    auto north = station(dir, "north", broker.url());
    auto south = station(dir, "south", broker.url());
    ASSERT_TRUE(grows(dir / "archive/north/north000.csv", 30)) << collector.child.err();
    ASSERT_TRUE(grows(dir / "archive/south/south000.csv", 30));

    ASSERT_TRUE(broker.stop());
    const auto outage = std::chrono::steady_clock::now();
    // Killed during the outage with records of its own waiting, and started again.
    std::this_thread::sleep_for(std::chrono::seconds(5));
    south->signal(SIGKILL);
    ASSERT_TRUE(south->wait(5));
    std::this_thread::sleep_for(std::chrono::seconds(2));
    south = station(dir, "south", broker.url(), {}, "-again");
    std::this_thread::sleep_until(outage + std::chrono::seconds(20));
    ASSERT_TRUE(broker.start());
    // Both stations connect again (within their longest pause) and work off their backlog.
    auto connects = [](const std::string& out) {
        std::size_t n = 0;
        for (auto at = out.find("network: connected"); at != std::string::npos;
             at = out.find("network: connected", at + 1)) {
            ++n;
        }
        return n;
    };
    EXPECT_TRUE(waitFor([&] { return connects(north->out()) >= 2 && connects(south->out()) >= 1; },
                        30))
        << north->out() << south->out();
    std::this_thread::sleep_for(std::chrono::seconds(3));

    for (auto* s : {north.get(), south.get()}) {
        s->signal(SIGTERM);
        ASSERT_TRUE(s->wait(15));
        EXPECT_EQ(s->exitCode(), 0) << s->out() << s->err();
    }
    const std::string northRecorded = numberedFiles(dir / "north", "rec");
    const std::string southRecorded = numberedFiles(dir / "south", "rec");
    ASSERT_TRUE(fs::exists(dir / "south/rec001.csv"));  // the second run's recording
    ASSERT_GT(northRecorded.size(), 5000u);
    waitFor(
        [&] {
            return numberedFiles(dir / "archive/north", "north") == northRecorded &&
                   numberedFiles(dir / "archive/south", "south") == southRecorded;
        },
        30);
    EXPECT_TRUE(numberedFiles(dir / "archive/north", "north") == northRecorded)
        << "archive " << numberedFiles(dir / "archive/north", "north").size() << " bytes, recording "
        << northRecorded.size() << "\n" << north->out() << collector.child.out()
        << collector.child.err() << broker.log();
    EXPECT_TRUE(numberedFiles(dir / "archive/south", "south") == southRecorded)
        << "archive " << numberedFiles(dir / "archive/south", "south").size() << " bytes, recording "
        << southRecorded.size();
    // The stations said what happened.
    EXPECT_NE(north->out().find("network: connected to"), std::string::npos);
    EXPECT_NE(e2e::readFile(dir / "south-again.out").find("waiting"), std::string::npos);
    collector.child.signal(SIGTERM);
    ASSERT_TRUE(collector.child.wait(10));
    EXPECT_EQ(collector.child.exitCode(), 0);
    EXPECT_NE(collector.child.out().find("station north offline"), std::string::npos);
}

// The broker marks a station that vanishes offline (its last will), and the collector says it.
TEST(StationNetwork, AStationThatVanishesIsMarkedOfflineAndBackOnline) {
    ScratchDir dir;
    MosquittoBroker broker(dir, {});
    ASSERT_TRUE(broker.ready());
    Collector collector(dir, broker.url());
    auto pier = station(dir, "pier", broker.url());
    ASSERT_TRUE(waitFor([&] { return collector.child.out().find("station pier online") !=
                                     std::string::npos; },
                        30))
        << collector.child.out();
    pier->signal(SIGKILL);
    ASSERT_TRUE(pier->wait(5));
    EXPECT_TRUE(waitFor([&] { return collector.child.out().find("station pier offline") !=
                                     std::string::npos; },
                        30))
        << collector.child.out();
    pier = station(dir, "pier", broker.url(), {}, "-again");
    EXPECT_TRUE(waitFor([&] { return collector.child.out().find("station pier back online") !=
                                     std::string::npos; },
                        30));
}

// Wrong password, untrusted certificate: refused, in words; the right ones work over TLS.
TEST(StationNetwork, ASecureBrokerRefusesAWrongPasswordAndAnUntrustedCertificate) {
    ScratchDir dir;
    MosquittoBroker broker(dir, {.secure = true});
    ASSERT_TRUE(broker.ready()) << broker.log();
    std::ofstream(dir / "right") << "s3cret\n";
    std::ofstream(dir / "wrong") << "guess\n";
    const std::vector<std::string> login{"--mqtt-user", "station", "--mqtt-ca", broker.caFile()};

    auto refused = [&](std::vector<std::string> more, const std::string& words) {
        std::vector<std::string> a = Collector::args(dir, broker.url(), more);
        Child c(a, dir / "refused.out", dir / "refused.err");
        ASSERT_TRUE(c.wait(20)) << c.out() << c.err();
        EXPECT_EQ(c.exitCode(), 1);
        EXPECT_NE(c.err().find(words), std::string::npos) << c.err();
    };
    std::vector<std::string> wrong = login;
    wrong.insert(wrong.end(), {"--mqtt-password-file", dir / "wrong"});
    refused(wrong, "refused the user name or password");
    refused({"--mqtt-user", "station", "--mqtt-password-file", dir / "right"},
            "certificate is not trusted");

    // A station keeps recording and says why it cannot publish. (The bounds are generous:
    // every wait ends as soon as what it waits for is there, and a loaded machine starts
    // these programs and their TLS sessions slowly.)
    auto s = station(dir, "s1", broker.url(), wrong, "-wrong");
    EXPECT_TRUE(waitFor([&] { return s->out().find("refused the user name or password") !=
                                     std::string::npos; },
                        60))
        << s->out();
    s->signal(SIGTERM);
    ASSERT_TRUE(s->wait(30));
    // All of it waits in the station's queue.
    const std::string refusedRun = numberedFiles(dir / "s1", "rec");

    std::vector<std::string> right = login;
    right.insert(right.end(), {"--mqtt-password-file", dir / "right"});
    Collector collector(dir, broker.url(), right);
    ::setenv("FATHOM_MQTT_PASSWORD", "s3cret", 1);
    s = station(dir, "s1", broker.url(), login, "-right");
    ::unsetenv("FATHOM_MQTT_PASSWORD");
    // What waited in the queue from the refused run arrives too, ahead of what follows. Only
    // then is the station stopped: a stop waits a few seconds for what is in flight, and what
    // is still queued waits for the next start, so a backlog cut short would never arrive.
    EXPECT_TRUE(grows(dir / "archive/s1/s1000.csv", 60)) << collector.child.err() << s->out();
    EXPECT_TRUE(waitFor(
        [&] {
            const std::string archived = numberedFiles(dir / "archive/s1", "s1");
            return archived.size() > refusedRun.size() && archived.starts_with(refusedRun);
        },
        60))
        << refusedRun.size() << " bytes recorded while refused\n" << s->out();
    s->signal(SIGTERM);
    ASSERT_TRUE(s->wait(30));
    const std::string recorded = numberedFiles(dir / "s1", "rec");
    EXPECT_TRUE(waitFor([&] { return numberedFiles(dir / "archive/s1", "s1") == recorded; }, 60))
        << numberedFiles(dir / "archive/s1", "s1").size() << " bytes archived of "
        << recorded.size() << " recorded\n" << s->out() << collector.child.err();
}

// Station names that are not plain names: refused at the station's start, and refused by the
// collector when some other client publishes under them; nothing is written outside DIR.
TEST(StationNetwork, UnsafeStationNamesWriteNothing) {
    ScratchDir dir;
    MosquittoBroker broker(dir, {});
    ASSERT_TRUE(broker.ready());
    Child bad(e2e::hostArgs({"--unit-type", "0", "--simulate", "--port", "SIM1", "--mqtt",
                             broker.url(), "--station", "../up"}),
              dir / "bad.out", dir / "bad.err");
    ASSERT_TRUE(bad.wait(10));
    EXPECT_EQ(bad.exitCode(), 2);
    EXPECT_NE(bad.err().find("slashes"), std::string::npos) << bad.err();

    fs::create_directories(dir / "inside");
    Collector collector(dir, broker.url());
    ASSERT_TRUE(waitFor([&] { return collector.child.out().find("subscribed") != std::string::npos; },
                        10));
    mosquitto_lib_init();
    mosquitto* m = mosquitto_new("intruder", true, nullptr);
    ASSERT_EQ(mosquitto_connect(m, "127.0.0.1", broker.port(), 10), MOSQ_ERR_SUCCESS);
    const std::string p = "fathom-records/1 queue=ab seq=1 floor=1 day=2026-12-08 bytes=5\nevil\n";
    // ("../inside" would be two topic levels, which "fathom/+/records" never matches.)
    const std::string names[] = {"..", std::string(65, 'x'), ".x", "a b", "a\\b"};
    for (const std::string& n : names) {
        mosquitto_publish(m, nullptr, ("fathom/" + n + "/records").c_str(),
                          static_cast<int>(p.size()), p.data(), 1, false);
    }
    // A plain one after them, to know they have all been handled.
    mosquitto_publish(m, nullptr, "fathom/fine/records", static_cast<int>(p.size()), p.data(), 1,
                      false);
    for (int i = 0; i < 50; ++i) mosquitto_loop(m, 50, 1);
    mosquitto_disconnect(m);
    mosquitto_destroy(m);
    ASSERT_TRUE(waitFor([&] { return fs::exists(dir / "archive/fine/fine000.csv"); }, 10));
    std::size_t entries = 0;
    for (const auto& e : fs::recursive_directory_iterator(dir / "archive")) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 4u);  // fine/, its state file, its .held folder and fine000.csv
    EXPECT_TRUE(fs::is_empty(dir / "inside"));
    EXPECT_FALSE(fs::exists(dir / "records"));
    const std::string err = collector.child.err();
    EXPECT_NE(err.find(R"(refused station name "..")"), std::string::npos) << err;
    EXPECT_NE(err.find(R"(refused station name ".x")"), std::string::npos);
    EXPECT_NE(err.find(R"(refused station name "a\b")"), std::string::npos);
}

}  // namespace
