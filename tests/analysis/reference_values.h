#pragma once
// The reference statistics of the recorded wave files in tests/data/waves, made with
// NumPy/SciPy by make_reference.py there.
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "analysis/batch_analysis.h"

namespace analysis_test {

inline std::string waveFile(const std::string& name) {
    return std::string(FATHOM_TEST_DATA) + "/waves/" + name;
}

// reference["sea"]["h13"] ...
inline std::map<std::string, std::map<std::string, double>> referenceValues() {
    std::map<std::string, std::map<std::string, double>> r;
    std::ifstream in(waveFile("reference.csv"));
    std::string line;
    std::getline(in, line);  // header
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string record, name, value;
        std::getline(fields, record, ',');
        std::getline(fields, name, ',');
        std::getline(fields, value);
        r[record][name] = std::stod(value);
    }
    return r;
}

// Every statistic of a result row by its reference name.
inline std::map<std::string, double> statisticsOf(const analysis::ResultRow& row) {
    const analysis::WaveResult& r = row.result;
    return {{"samples", r.points},     {"gaps", row.gaps},
            {"mean", r.mean},          {"hmo", r.hmo},
            {"waves", r.waves.waves},  {"hmax", r.waves.hmax},
            {"h13", r.waves.h13},      {"hrms", r.waves.hrms},
            {"tz", r.waves.tz},        {"t13", r.waves.t13},
            {"m0", r.spectral.m0},     {"m1", r.spectral.m1},
            {"m2", r.spectral.m2},     {"peak_frequency", r.spectral.peakFrequency},
            {"tp", r.spectral.tp},     {"tm01", r.spectral.tm01},
            {"tm02", r.spectral.tm02}, {"df", r.df}};
}

}  // namespace analysis_test
