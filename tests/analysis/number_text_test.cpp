// The fast "%.10g" of the results and spectrum files against printf itself.
#include "analysis/number_text.h"
#include "analysis/results_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using analysis::formatGeneral10;

std::string fast(double v) {
    char text[analysis::kNumberTextSize];
    return {text, formatGeneral10(v, text)};
}

std::string printf10(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

TEST(NumberText, WritesWhatPrintfWrites) {
    std::mt19937_64 random(7);
    int wrong = 0;
    std::vector<double> all;
    auto check = [&](double v) {
        if (fast(v) != printf10(v) && ++wrong <= 5) {
            ADD_FAILURE() << printf10(v) << " written as " << fast(v);
        }
        all.push_back(v);
    };
    // Any bit pattern, and the spectra's range of magnitudes.
    for (int i = 0; i < 200000; ++i) {
        const std::uint64_t bits = random();
        double v = 0;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v)) check(v);
        check(std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 120)));
    }
    // Frequencies k x df: many are a hair from halfway between two ten-digit numbers.
    for (int k = 0; k < 200000; ++k) {
        check(k * (4.0 / 345600));
        check(k * (32.0 / 55296));
        check(k * 0.0009259259259);
    }
    // Exact ties (ten digits and a 5), which printf rounds to even, and the edges of each
    // decade, where the exponent or the digit count changes.
    for (const double v : {1.0009765625, 1.0029296875, 0.00048828125, 1e-4, 9.9999999995e-5,
                           9.99999999949e-5, 9999999999.5, 9999999999.4, 1e10, 0.1, 0.5}) {
        check(v);
        check(-v);
    }
    for (int e = -40; e <= 12; ++e) {
        const double p = std::pow(10.0, e);
        for (const double v : {p, std::nextafter(p, 0.0), std::nextafter(p, 1e300),
                               9.9999999995 * p, 1.0000000005 * p}) {
            check(v);
        }
    }
    for (const double v : {0.0, -0.0, 5e-324, 1e-310, std::numeric_limits<double>::max()}) {
        check(v);
    }
    EXPECT_EQ(wrong, 0);
    // The same values in runs, as the spectrum writer takes them: digits first, then text.
    std::vector<analysis::Decimal10> decimals(all.size());
    analysis::toDecimal10(all, decimals);
    int wrongInRuns = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        char text[analysis::kNumberTextSize];
        const std::string s(text, analysis::writeDecimal10(decimals[i], all[i], text));
        if (s != printf10(all[i]) && ++wrongInRuns <= 5) {
            ADD_FAILURE() << printf10(all[i]) << " written in a run as " << s;
        }
    }
    EXPECT_EQ(wrongInRuns, 0);
}

TEST(NumberText, ASpectrumWriterKeptForManySpectraWritesEachAsPrintfWould) {
    // --analyze keeps one writer for every device, and with it the frequency columns of a few
    // bin widths: whichever widths and lengths come, in whatever order, each file must hold
    // exactly its own frequencies.
    analysis::SpectrumCsvWriter kept;
    std::mt19937_64 random(3);
    std::uniform_real_distribution<double> level(-12, 2);
    const std::pair<std::size_t, double> spectra[] = {
        {3000, 4.0 / 6000}, {2999, 4.0 / 5998}, {3000, 4.0 / 6000}, {1000, 32.0 / 2000},
        {2000, 32.0 / 4000}, {500, 1.0 / 1000}, {3001, 4.0 / 6002}, {1500, 32.0 / 2000},
        {3000, 4.0 / 6000}, {2999, 4.0 / 5998}, {1000, 32.0 / 2000}, {1, 0.5}};
    for (const auto& [n, df] : spectra) {
        std::vector<double> values(n);
        for (double& v : values) v = std::pow(10.0, level(random));
        std::ostringstream out;
        kept.write(out, values, df, "m2/Hz");
        std::string want = "frequency_hz,m2/Hz\n";
        for (std::size_t k = 0; k < n; ++k) {
            want += printf10(static_cast<double>(k) * df) + "," + printf10(values[k]) + "\n";
        }
        EXPECT_TRUE(out.str() == want) << n << " bins of " << df << " Hz";
    }
}

TEST(NumberText, NothingForAValueThatIsNotFinite) {
    EXPECT_EQ(fast(std::numeric_limits<double>::quiet_NaN()), "");
    EXPECT_EQ(fast(-std::numeric_limits<double>::infinity()), "");
}

}  // namespace
