#include <gtest/gtest.h>

#include <cstdlib>

#include "radio_network.h"
#include "sim/data_logger.h"

using namespace simtest;

namespace {

constexpr unsigned T0 = 1, T1 = 2, T2 = 4, T8 = 256;
constexpr unsigned kStaffs = T0 | T1 | T2, kSonic = T1 | T2, kAll = kStaffs | T8;

struct Case {
    const char* read;
    const char* write;
    const char* value;  // what the read returns after the write
    const char* ack;    // the write's reply value; nullptr: the same as value
    unsigned types;
    unsigned readTypes = 0;  // when reads reach more types than writes
};

// Every setting the host reads and writes, with a value unlike the unit's default.
const Case kCases[] = {
    {"RX", "WX,37", "37", nullptr, kStaffs, kAll},
    {"RS", "WS,16", "16", nullptr, kStaffs},
    {"RL", "WL,5", "5", nullptr, kAll},
    {"RI", "WI,15", "15", nullptr, kAll},
    {"RN", "WN,7", "7", nullptr, T8},
    {"RF", "WF,0", "0", nullptr, kStaffs},
    {"RO", "WO,2", "2", nullptr, kStaffs},
    {"RR", "WR,1", "1", nullptr, kAll},
    {"RQ", "WQ,15-12-31T23:59", "2015-12-31T23:59", "1", kAll},
    {"RT", "WT,15-06-01T12:00:00", "2015-06-01T12:00:00", "1", kAll},
    {"RC", "WC,-12", "-12", nullptr, kStaffs},
    {"RP", "WP,0", "0", nullptr, kStaffs},
    {"RW", "WW,2", "2", nullptr, T0},
    {"RG", "WG,1200", "1200", nullptr, kSonic},
    {"RU", "WU,250", "250", nullptr, kSonic},
    {"RY", "WY,400", "400", nullptr, kSonic},
    {"RJ", "WJ,1", "1", nullptr, T8},
    {"RB", "WB,5", "5", nullptr, T8},
    {"RM", "WM,4", "20", nullptr, T8},  // bits 1 and 2 written, bit 4 kept
    {"RD", "W\xAA,XB99999", "XB99999", nullptr, kStaffs, kAll},
    {"GT", "FT,2", "2", nullptr, kStaffs},
    {"TT", "ST,2", "2", nullptr, kStaffs},
    {"GS", "FS,3.500", "3.500", nullptr, kStaffs},
    {"TS", "SS,1.250", "1.250", nullptr, kStaffs},
    {"GG", "FG,1.015", "1.015", nullptr, kStaffs},
    {"TG", "SG,0.990", "0.990", nullptr, kStaffs},
    {"GO", "FO,-0.020", "-0.020", nullptr, kStaffs},
    {"TO", "SO,0.030", "0.030", nullptr, kStaffs},
    {"GL", "FX,0.300", "0.300", "1", kStaffs},
    {"GH", "FY,1.700", "1.700", "1", kStaffs},
    {"TL", "SX,0.200", "0.200", "1", kStaffs},
    {"TH", "SY,1.800", "1.800", "1", kStaffs},
};

std::string reply(std::string_view mnemonic, std::string_view value) {
    std::string r("$");
    r.append(mnemonic).append(",").append(value);
    return r += "\r\n";
}

class EachRadioType : public ::testing::TestWithParam<int> {};

TEST_P(EachRadioType, AnswersEveryReadAndWriteItTakesAndIgnoresTheRest) {
    const int type = GetParam();
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.write) + " to type " + std::to_string(type));
        Network net({type});
        const std::string write = std::string(c.write) + "\r\n";
        const std::string writeMnemonic = write.substr(0, 2);
        if (!(c.types & (1u << type))) {
            const bool reads = c.readTypes & (1u << type);
            EXPECT_EQ(net.ask(0, std::string(c.read) + "\r\n").empty(), !reads);
            EXPECT_TRUE(net.ask(0, write).empty());
            continue;
        }
        const std::string before = net.askOne(0, std::string(c.read) + "\r\n");
        EXPECT_EQ(before.substr(0, 4), reply(c.read, "").substr(0, 4));
        EXPECT_EQ(before.substr(before.size() - 2), "\r\n");
        EXPECT_NE(before, reply(c.read, c.value)) << "pick a value unlike the default";
        EXPECT_EQ(net.askOne(0, write), reply(writeMnemonic, c.ack ? c.ack : c.value));
        EXPECT_EQ(net.askOne(0, std::string(c.read) + "\r\n"), reply(c.read, c.value));
    }
}

INSTANTIATE_TEST_SUITE_P(Types, EachRadioType, ::testing::Values(0, 1, 2, 8));

TEST(RadioUnit, IdentifiesItselfSoTheHostCanTellTheModelsApart) {
    Network net({0, 1, 2, 8});
    const char* models[] = {"021", "035", "036", "050"};
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string rh = net.askOne(i, "RH\r\n");
        EXPECT_EQ(rh.substr(13, 3), models[i]) << rh;
    }
    // Firmware alternates between the two-point (1.x) and the 12-point (2.x) generations.
    EXPECT_EQ(net.askOne(0, "RK\r\n"), "$RK,2.10\r\n");
    EXPECT_EQ(net.askOne(1, "RK\r\n"), "$RK,1.42\r\n");
    EXPECT_EQ(net.askOne(0, "RV\r\n"), "$RV,2.95\r\n");
    EXPECT_EQ(net.askOne(3, "RV\r\n"), "$RV,12.40\r\n");
    EXPECT_EQ(net.askOne(3, "RE\r\n"), "$RE,0.045\r\n");
    EXPECT_EQ(net.askOne(0, "WZ,2\r\n"), "$WZ,2\r\n");
    EXPECT_TRUE(net.ask(3, "WZ,2\r\n").empty());
}

TEST(RadioUnit, RefusesValuesOutsideItsRangeAndSaysWhatItKept) {
    Network net({0});
    EXPECT_EQ(net.askOne(0, "WX,300\r\n"), "$WX,255\r\n");
    EXPECT_EQ(net.askOne(0, "WO,9\r\n"), "$WO,0\r\n");  // no such format: unchanged
    EXPECT_EQ(net.askOne(0, "WS,16\r\n"), "$WS,16\r\n");
    // One text per sample is limited to 8 per second.
    EXPECT_EQ(net.askOne(0, "WO,4\r\n"), "$WO,4\r\n");
    EXPECT_EQ(net.askOne(0, "RS\r\n"), "$RS,8\r\n");
    EXPECT_EQ(net.askOne(0, "WS,16\r\n"), "$WS,8\r\n");
    EXPECT_EQ(net.askOne(0, "WT,15-13-01T12:00:00\r\n"), "$WT,0\r\n");
}

TEST(RadioUnit, ClockDriftsAndIsSetToTheTickBySync) {
    Network net({0});
    // Out of the box the clock is a few seconds off the computer's.
    EXPECT_NE(net.askOne(0, "RT\r\n"), "$RT,2026-12-08T12:00:00\r\n");
    net.askOne(0, "WT,26-12-08T12:00:00\r\n");
    net.run(3600 * 1000.0, 1000);
    EXPECT_EQ(net.askOne(0, "RZ\r\n"), "$RZ,2026-12-08T13:00:00\r\n");
    // 25 ppm fast: 0.09 s gained in the hour.
    EXPECT_NEAR(net.unit(0).clock().read(net.adapter->now()) - (kStart + 3600), 0.09, 0.001);
    // "ZS": the named second begins 128/128 s from now.
    net.ask(0, "ZS,26-12-08T14:00:05.128\r\n");
    net.run(1500, 1500);
    EXPECT_EQ(net.askOne(0, "RT\r\n"), "$RT,2026-12-08T14:00:05\r\n");
    // A calibration value speeds the clock up by 4/32768 s a minute per step down.
    net.ask(0, "ZS,26-12-08T14:00:10.000\r\n");
    EXPECT_EQ(net.askOne(0, "WC,-8192\r\n"), "$WC,-512\r\n");  // held to the trim range
    EXPECT_EQ(net.askOne(0, "RC\r\n"), "$RC,-512\r\n");
}

TEST(RadioUnit, KeepsTwelveCalibrationPointsPerCurrentMode) {
    Network net({0});
    const std::string table = net.askOne(0, "GA\r\n");
    ASSERT_EQ(table.size(), 4u + 12 * 9 + 2);
    for (int i = 0; i < 12; ++i) EXPECT_EQ(table[static_cast<std::size_t>(12 + 9 * i)], ',');
    EXPECT_DOUBLE_EQ(std::atof(table.c_str() + 4), 0.2);
    EXPECT_EQ(net.askOne(0, "FC,1\r\n"), "$FC,1\r\n");
    EXPECT_DOUBLE_EQ(std::atof(net.askOne(0, "GA\r\n").c_str() + 4), 0.0);
    EXPECT_EQ(net.askOne(0, "FP,0.5000\r\n"), "$FP,0.5000\r\n");
    EXPECT_EQ(net.askOne(0, "FP,0.2500\r\n"), "$FP,0.2500\r\n");
    std::string now = net.askOne(0, "GA\r\n");
    EXPECT_DOUBLE_EQ(std::atof(now.c_str() + 4), 0.25);
    EXPECT_DOUBLE_EQ(std::atof(now.c_str() + 13), 0.5);
    EXPECT_EQ(net.askOne(0, "FN,0.2500\r\n"), "$FN,0.2500\r\n");
    EXPECT_DOUBLE_EQ(std::atof(net.askOne(0, "GA\r\n").c_str() + 4), 0.5);
    // The other mode's table is separate; factory values come back on request.
    EXPECT_DOUBLE_EQ(std::atof(net.askOne(0, "TA\r\n").c_str() + 4), 0.5);
    EXPECT_DOUBLE_EQ(std::atof(net.askOne(0, "TA\r\n").c_str() + 13), 1.5);
    EXPECT_EQ(net.askOne(0, "FF,1\r\n"), "$FF,1\r\n");
    EXPECT_DOUBLE_EQ(std::atof(net.askOne(0, "GA\r\n").c_str() + 4), 0.2);
    net.askOne(0, "FC,1\r\n");
    EXPECT_EQ(net.askOne(0, "F!,1\r\n"), "$F!,1\r\n");
    net.askOne(0, "FP,1.0000\r\n");
    net.askOne(0, "FF,1\r\n");
    EXPECT_DOUBLE_EQ(std::atof(net.askOne(0, "GA\r\n").c_str() + 4), 0.0);
    for (int i = 0; i < 12; ++i) net.askOne(0, "FP," + std::to_string(i) + ".0000\r\n");
    EXPECT_EQ(net.askOne(0, "FP,20.0000\r\n"), "$FP,FULL\r\n");
}

TEST(DataLogger, AnswersItsGroupAndPortCommands) {
    Network net({8});
    EXPECT_EQ(net.askOne(0, "#1P0RS\r\n"), "$1P0RS,1\r\n");
    EXPECT_EQ(net.askOne(0, "#4P0WS,4\r\n"), "$4P0WS,4\r\n");
    EXPECT_EQ(net.askOne(0, "#4P0RS\r\n"), "$4P0RS,4\r\n");
    EXPECT_TRUE(net.ask(0, "#1P2RS\r\n").empty()) << "sample rates belong to port 0 of a group";
    EXPECT_EQ(net.askOne(0, "#2P3WD,6\r\n"), "$2P3WD,6\r\n");
    EXPECT_EQ(net.askOne(0, "#2P3RD\r\n"), "$2P3RD,6\r\n");
    EXPECT_EQ(net.askOne(0, "#1P1WB,5\r\n"), "$1P1WB,5\r\n");
    EXPECT_EQ(net.askOne(0, "#1P1RB\r\n"), "$1P1RB,5\r\n");
    EXPECT_EQ(net.askOne(0, "#1P1WL,2,25\r\n"), "$1P1WL,2,25\r\n");
    EXPECT_EQ(net.askOne(0, "#1P1RL\r\n"), "$1P1RL,05,06,25,10,20,30\r\n");  // port 2: 5 first
    EXPECT_EQ(net.askOne(0, "#3P0WX,2\r\n"), "$3P0WX,2\r\n");
    EXPECT_EQ(net.askOne(0, "#3P0RX\r\n"), "$3P0RX,2\r\n");
    EXPECT_EQ(net.askOne(0, "#4P2WR,3\r\n"), "$4P2WR,3\r\n");
    EXPECT_EQ(net.askOne(0, "#4P2RR\r\n"), "$4P2RR,3\r\n");
    EXPECT_TRUE(net.ask(0, "#3P1RX\r\n").empty());
    EXPECT_TRUE(net.ask(0, "#5P0RS\r\n").empty());
}

TEST(DataLogger, ChangesAndKeepsItsCoordinatorPanId) {
    Network net({8});
    auto& logger = static_cast<sim::DataLogger&>(net.unit(0));
    EXPECT_EQ(net.askOne(0, "#3P0RE\r\n"), "$3P0RE,00000000ABCD0001\r\n");
    EXPECT_EQ(net.askOne(0, "#3P0WE,00000000ABCD0002\n\r"), "$3P0WE0\r\n");
    EXPECT_EQ(net.askOne(0, "#3P0RE\r\n"), "$3P0RE,00000000ABCD0002\r\n");
    EXPECT_EQ(logger.savedCoordinatorPanId, 0xABCD0001u);
    // The save goes as a remote AT frame: "#3P0WM" and a NUL.
    std::vector<std::string> texts;
    for (const Bytes& f : net.exchange(remoteAt(net.address(0), std::string_view("#3P0WM\0", 7))))
        if (f[0] == 0x90) texts.emplace_back(f.begin() + 12, f.end());
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "$3P0WM0\r\n");
    EXPECT_EQ(logger.savedCoordinatorPanId, 0xABCD0002u);
    EXPECT_EQ(net.askOne(0, "#3P0WE,XYZ\n\r"), "$3P0WE1\r\n");
}

TEST(DataLogger, UploadsAFlashCardFileBlockByBlock) {
    Network net({8});
    EXPECT_EQ(net.askOne(0, "OF\r\n"), "$OF,6\r\n");
    for (int file : {1, 2, 4, 5}) {
        SCOPED_TRACE(file);
        const std::string expected = sim::FlashCard::content(file);
        char cmd[16];
        std::snprintf(cmd, sizeof cmd, "OI,%04d\r\n", file);
        EXPECT_EQ(net.askOne(0, cmd), reply("OI", std::to_string(expected.size())));
        std::snprintf(cmd, sizeof cmd, "OO,%04d\r\n", file);
        std::string got;
        std::string block = net.askOne(0, cmd);
        ASSERT_EQ(block.substr(0, 4), "$OO,");
        int blocks = 1;
        while (block.size() - 4 == sim::FlashCard::kBlockSize) {
            got += block.substr(4);
            block = net.askOne(0, "OR\r\n");
            ASSERT_EQ(block.substr(0, 4), "$OR,");
            ++blocks;
        }
        got += block.substr(4);
        EXPECT_EQ(got, expected);
        EXPECT_EQ(blocks, static_cast<int>(expected.size() / 512 + 1));
        EXPECT_EQ(net.askOne(0, "OC\r\n"), "$OC,1\r\n");
    }
    EXPECT_EQ(net.askOne(0, "OI,0003\r\n"), "$OI,1000300\r\n");
    // The active file cannot be read; starting a new one closes it.
    EXPECT_EQ(net.askOne(0, "OI,0006\r\n"), "$OI,0\r\n");
    EXPECT_EQ(net.askOne(0, "ON\r\n"), "$ON,7\r\n");
    EXPECT_EQ(net.askOne(0, "OI,0006\r\n"),
              reply("OI", std::to_string(sim::FlashCard::content(6).size())));
}

TEST(FlashCard, AnyStretchOfAFileIsWhatTheWholeFileHoldsThere) {
    const std::string all = sim::FlashCard::content(2);
    ASSERT_EQ(all.size(), 3000u);
    for (std::size_t at : {0u, 1u, 24u, 25u, 511u, 2990u})
        EXPECT_EQ(sim::FlashCard::content(2, at, 512), all.substr(at, 512)) << at;
    EXPECT_EQ(sim::FlashCard::content(1).size(), 1024u);
    EXPECT_EQ(sim::FlashCard::content(4).size(), 60u);
}

TEST(DataLogger, ADroppedBlockNeverArrivesNorAnythingAfterIt) {
    Network net({8});
    auto& logger = dynamic_cast<sim::DataLogger&>(net.unit(0));
    logger.flashCard().dropBlock = 2;
    EXPECT_EQ(net.askOne(0, "OO,0002\r\n").size(), 516u);
    EXPECT_EQ(net.askOne(0, "OR\r\n").size(), 516u);
    EXPECT_TRUE(net.ask(0, "OR\r\n").empty());
    net.run(1500, 500);
    EXPECT_TRUE(net.ask(0, "OA\r\n").empty());
}

TEST(DataLogger, RepeatsABlockOnlyWhenTheHostHasWaitedForIt) {
    Network net({8});
    const std::string first = net.askOne(0, "OO,0002\r\n");
    EXPECT_TRUE(net.ask(0, "OA\r\n").empty()) << "a block on its way is not sent twice";
    net.run(1500, 500);
    EXPECT_EQ(net.askOne(0, "OA\r\n").substr(4), first.substr(4));
}

}  // namespace
