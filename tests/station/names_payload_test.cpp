#include <gtest/gtest.h>

#include "station/names.h"
#include "station/payload.h"

using namespace station;

namespace {

std::span<const char> bytes(const std::string& s) { return {s.data(), s.size()}; }

TEST(StationNames, OnlyPlainNamesNameAStation) {
    for (const char* good : {"north-01", "Pier_7", "a", "st.2", "0abc"}) {
        EXPECT_EQ(stationNameProblem(good), "") << good;
    }
    EXPECT_EQ(stationNameProblem(std::string(64, 'x')), "");
    EXPECT_NE(stationNameProblem(std::string(65, 'x')).find("64"), std::string::npos);
    EXPECT_NE(stationNameProblem("").find("needs a name"), std::string::npos);
    EXPECT_NE(stationNameProblem("..").find("'.'"), std::string::npos);
    EXPECT_NE(stationNameProblem(".hidden"), "");
    EXPECT_NE(stationNameProblem("-x"), "");
    EXPECT_NE(stationNameProblem("a/b").find("slashes"), std::string::npos);
    EXPECT_NE(stationNameProblem("a\\b").find("slashes"), std::string::npos);
    EXPECT_NE(stationNameProblem(std::string("a\nb")).find("control"), std::string::npos);
    EXPECT_NE(stationNameProblem(std::string("a\0b", 3)).find("control"), std::string::npos);
    for (const char* bad : {"a+b", "a#", "a b", "na\xC3\xAFve", "x:y"}) {
        EXPECT_NE(stationNameProblem(bad), "") << bad;
    }
}

TEST(StationNames, BrokerAddressesAndTopics) {
    std::string why;
    auto u = parseBrokerUrl("mqtt://broker.example:1884", why);
    ASSERT_TRUE(u);
    EXPECT_FALSE(u->tls);
    EXPECT_EQ(u->host, "broker.example");
    EXPECT_EQ(u->port, 1884);
    u = parseBrokerUrl("mqtts://10.0.0.1", why);
    ASSERT_TRUE(u);
    EXPECT_TRUE(u->tls);
    EXPECT_EQ(u->port, 8883);
    EXPECT_EQ(parseBrokerUrl("mqtt://h", why)->port, 1883);
    u = parseBrokerUrl("mqtt://[::1]:1999/", why);
    ASSERT_TRUE(u);
    EXPECT_EQ(u->host, "::1");
    EXPECT_EQ(u->port, 1999);
    for (const char* bad : {"tcp://h:1", "mqtt://", "mqtt://:1883", "mqtt://h:0", "mqtt://h:70000",
                            "mqtt://h:12x", "mqtt://user@h", "mqtt://[::1"}) {
        EXPECT_FALSE(parseBrokerUrl(bad, why)) << bad;
        EXPECT_NE(why, "");
    }
    EXPECT_EQ(recordsTopic("s1"), "fathom/s1/records");
    EXPECT_EQ(statusTopic("s1"), "fathom/s1/status");
    EXPECT_EQ(stationOfTopic("fathom/s1/records", "records"), "s1");
    EXPECT_EQ(stationOfTopic("fathom/../records", "records"), "..");
    EXPECT_EQ(stationOfTopic("fathom/a/b/records", "records"), "a/b");
    EXPECT_EQ(stationOfTopic("fathom//records", "records"), "");
    EXPECT_FALSE(stationOfTopic("fathom/s1/status", "records"));
    EXPECT_FALSE(stationOfTopic("other/s1/records", "records"));
    EXPECT_FALSE(stationOfTopic("fathom/records", "records"));
}

TEST(RecordsPayload, TheHeaderLineCarriesTheIdentityAndTheRecordsFollowUnchanged) {
    const std::string records = "C012,D1,S04,01.2340\r\nC013,D1,S04,-0.1234\r\n";
    const RecordsHeader h{.queue = "00ff00ff00ff00ff", .seq = 42, .floor = 40,
                          .day = {2026, 12, 8}};
    const std::string line = recordsHeaderLine(h, records.size());
    EXPECT_EQ(line,
              "fathom-records/1 queue=00ff00ff00ff00ff seq=42 floor=40 day=2026-12-08 bytes=42\n");
    const std::string payload = line + records;
    const auto m = parseRecordsMessage(bytes(payload));
    ASSERT_TRUE(m);
    EXPECT_EQ(m->header.queue, h.queue);
    EXPECT_EQ(m->header.seq, 42u);
    EXPECT_EQ(m->header.floor, 40u);
    EXPECT_EQ(m->header.day, h.day);
    EXPECT_EQ(std::string(m->records.begin(), m->records.end()), records);
    // A later version's fields are passed over.
    const std::string extended = "fathom-records/1 zone=UTC+1 queue=ab seq=1 floor=1 "
                                 "day=2026-01-31 bytes=0 flag\n";
    EXPECT_TRUE(parseRecordsMessage(bytes(extended)));
}

TEST(RecordsPayload, AnythingButAWholeMessageIsRefused) {
    const std::string ok = "queue=ab seq=5 floor=3 day=2026-12-08 bytes=3\nxyz";
    EXPECT_TRUE(parseRecordsMessage(bytes("fathom-records/1 " + ok)));
    for (const std::string& bad : {
             std::string("fathom-records/2 ") + ok,
             std::string("fathom-records/1 queue=ab seq=5 floor=3 day=2026-12-08 bytes=4\nxyz"),
             std::string("fathom-records/1 queue=ab seq=5 floor=3 day=2026-12-08 bytes=2\nxyz"),
             std::string("fathom-records/1 queue=ab seq=5 floor=6 day=2026-12-08 bytes=3\nxyz"),
             std::string("fathom-records/1 queue=ab seq=0 floor=0 day=2026-12-08 bytes=3\nxyz"),
             std::string("fathom-records/1 queue=a/b seq=5 floor=3 day=2026-12-08 bytes=3\nxyz"),
             std::string("fathom-records/1 queue=ab seq=5 floor=3 day=2026-13-08 bytes=3\nxyz"),
             std::string("fathom-records/1 queue=ab seq=5 floor=3 day=26-12-08 bytes=3\nxyz"),
             std::string("fathom-records/1 queue=ab seq=-5 floor=3 day=2026-12-08 bytes=3\nxyz"),
             std::string("fathom-records/1 seq=5 floor=3 day=2026-12-08 bytes=3\nxyz"),
             std::string("fathom-records/1 queue=ab seq=5 floor=3 day=2026-12-08 bytes=3"),
             std::string("fathom-records/1 queue=ab seq=99999999999999999999 floor=3 "
                         "day=2026-12-08 bytes=3\nxyz"),
             std::string(""),
         }) {
        EXPECT_FALSE(parseRecordsMessage(bytes(bad))) << bad;
    }
}

TEST(StatusPayload, JsonIsEscapedAndItsOnlineFlagIsRead) {
    StatusInfo s;
    s.station = "s1";
    s.version = "3.01";
    s.unitType = 0;
    s.ports = {{"A", "/dev/tty\"USB0", "ok\n"}};
    s.recording = "C:\\data\\x000.csv";
    s.queueMessages = 3;
    const std::string json = statusJson(s);
    EXPECT_NE(json.find(R"("path":"/dev/tty\"USB0")"), std::string::npos);
    EXPECT_NE(json.find(R"("health":"ok\u000a")"), std::string::npos);
    EXPECT_NE(json.find(R"("recording":"C:\\data\\x000.csv")"), std::string::npos);
    EXPECT_NE(json.find(R"("queueMessages":3)"), std::string::npos);
    EXPECT_EQ(statusOnline(json), true);
    EXPECT_EQ(statusOnline(offlineJson("s1")), false);
    EXPECT_EQ(statusOnline(R"({"online" : true})"), true);
    EXPECT_FALSE(statusOnline("{}"));
    EXPECT_FALSE(statusOnline(R"({"online":"yes"})"));
}

}  // namespace
