#include "netcdf/results_export.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "netcdf/nc_file.h"
#include "platform/clock.h"

namespace netcdf {

namespace {

// Units by the ending of a column's name (mean_m, m1_m2hz ...), longest ending first.
struct UnitEnding {
    std::string_view ending;
    std::string_view units;
};
constexpr std::array<UnitEnding, 6> kUnitEndings{{
    {"_m2hz2", "m2 Hz2"},
    {"_m2hz", "m2 Hz"},
    {"_m2", "m2"},
    {"_hz", "Hz"},
    {"_m", "m"},
    {"_s", "s"},
}};

// The CF standard names of the wave statistics that have one.
struct StandardName {
    std::string_view column;
    std::string_view name;
};
constexpr std::array<StandardName, 5> kStandardNames{{
    {"hmo_m", "sea_surface_wave_significant_height"},
    {"tp_s", "sea_surface_wave_period_at_variance_spectral_density_maximum"},
    {"tm01_s", "sea_surface_wave_mean_period_from_variance_spectral_density_first_frequency_moment"},
    {"tm02_s",
     "sea_surface_wave_mean_period_from_variance_spectral_density_second_frequency_moment"},
    {"hmax_m", "sea_surface_wave_maximum_height"},
}};

constexpr std::array<std::string_view, 6> kWholeNumbers{"device",       "rate_hz",     "samples",
                                                        "gaps_skipped", "tide_filter", "waves"};

constexpr const char* kTimeUnits = "seconds since 1970-01-01 00:00:00";

std::string_view unitsOf(std::string_view column) {
    for (const UnitEnding& u : kUnitEndings)
        if (column.ends_with(u.ending)) return u.units;
    return {};
}

double numberOf(const std::string& field) {
    double v = NAN;
    const auto r = std::from_chars(field.data(), field.data() + field.size(), v);
    return r.ec == std::errc() ? v : NAN;
}

// "YYYY-MM-DDThh:mm:ss.sss" as seconds since 1970 of the same calendar.
double timeOf(const std::string& text) {
    platform::CalendarTime c;
    double seconds = 0;
    if (std::sscanf(text.c_str(), "%d-%d-%dT%d:%d:%lf", &c.year, &c.month, &c.day, &c.hour,
                    &c.minute, &seconds) != 6)
        return NAN;
    return platform::toAbsTime(c) + seconds;
}

// Units as the results show them ("m²/Hz", "bar²/Hz") as UDUNITS writes them.
std::string udunits(std::string_view shown) {
    std::string u;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        if (shown.substr(i).starts_with("\u00B2")) {
            u += '2';
            i += std::string_view("\u00B2").size() - 1;
        } else if (shown.substr(i).starts_with("/Hz")) {
            u += " Hz-1";
            i += 2;
        } else {
            u += shown[i];
        }
    }
    return u;
}

std::string failure(const std::string& path, const char* what) {
    return path + ": " + what;
}

}  // namespace

std::string besideCsv(const std::string& csvPath) {
    return std::filesystem::path(csvPath).replace_extension(".nc").string();
}

std::string writeResults(std::span<const analysis::ResultRow> rows, const std::string& csvPath) {
    const std::string path = besideCsv(csvPath);
    try {
        NcFile f(path);
        const int dim = f.defineDim("result", rows.size());
        const std::array<int, 1> dims{dim};
        const auto columns = analysis::resultColumns();
        std::vector<std::vector<std::string>> fields;
        for (const analysis::ResultRow& row : rows) fields.push_back(analysis::resultFields(row));
        std::vector<int> vars;
        for (const analysis::ResultColumn& c : columns) {
            const bool start = c.name == "start";
            const bool whole = std::find(kWholeNumbers.begin(), kWholeNumbers.end(), c.name) !=
                               kWholeNumbers.end();
            const nc_type type = c.text && !start ? NC_STRING : whole ? NC_INT : NC_DOUBLE;
            const int v = f.defineVar(c.name, type, dims);
            vars.push_back(v);
            if (start) {
                f.text(v, "long_name", "time of the section's first sample (the unit's clock)");
                f.text(v, "units", kTimeUnits);
                f.text(v, "calendar", "standard");
            }
            if (const std::string_view u = unitsOf(c.name); !u.empty() && !start)
                f.text(v, "units", u);
            for (const StandardName& s : kStandardNames)
                if (s.column == c.name) f.text(v, "standard_name", s.name);
            if (type == NC_DOUBLE) f.fill(v, NC_FILL_DOUBLE);
        }
        f.text(NC_GLOBAL, "Conventions", "CF-1.8");
        f.text(NC_GLOBAL, "title", "Wave statistics of recorded sample files");
        f.text(NC_GLOBAL, "source", "fathomhost " FATHOM_VERSION " --analyze");
        f.endDefine();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            const analysis::ResultColumn& c = columns[i];
            std::vector<std::string> text;
            std::vector<double> numbers;
            for (const auto& row : fields) {
                text.push_back(row[i]);
                const double v = c.name == "start" ? timeOf(row[i]) : numberOf(row[i]);
                numbers.push_back(std::isfinite(v) ? v : NC_FILL_DOUBLE);
            }
            if (rows.empty()) continue;
            const std::array<std::size_t, 1> s{0}, n{rows.size()};
            nc_type type = NC_NAT;
            f.check(nc_inq_vartype(f.id(), vars[i], &type), "a variable's type");
            if (type == NC_STRING) {
                putStrings(f, vars[i], text);
            } else if (type == NC_INT) {
                std::vector<int> whole(numbers.begin(), numbers.end());
                put(f, vars[i], s, n, whole.data());
            } else {
                put(f, vars[i], s, n, numbers.data());
            }
        }
        f.commit();
    } catch (const NcError& e) {
        return e.what();
    }
    return {};
}

std::string writeSpectrum(const analysis::ResultRow& row, std::span<const double> spectrum,
                          const std::string& csvPath) {
    const std::string path = besideCsv(csvPath);
    if (spectrum.empty()) return failure(path, "no spectrum to write");
    try {
        NcFile f(path);
        const int dim = f.defineDim("frequency", spectrum.size());
        const std::array<int, 1> dims{dim};
        const int freq = f.defineVar("frequency", NC_DOUBLE, dims);
        f.text(freq, "standard_name", "sea_surface_wave_frequency");
        f.text(freq, "long_name", "frequency");
        f.text(freq, "units", "Hz");
        const int density = f.defineVar("variance_density", NC_DOUBLE, dims);
        const std::string units = udunits(row.result.unit);
        if (units == "m2 Hz-1")
            f.text(density, "standard_name", "sea_surface_wave_variance_spectral_density");
        f.text(density, "long_name", "variance density");
        f.text(density, "units", units);
        f.text(NC_GLOBAL, "Conventions", "CF-1.8");
        f.text(NC_GLOBAL, "title", "Wave spectrum of device " + std::to_string(row.device) +
                                       " in " + row.file);
        f.text(NC_GLOBAL, "source", "fathomhost " FATHOM_VERSION " --analyze");
        f.text(NC_GLOBAL, "recording_file", row.file);
        f.integer(NC_GLOBAL, "device", row.device);
        f.integer(NC_GLOBAL, "sample_rate", row.rate);
        f.text(NC_GLOBAL, "section_start", row.start);
        f.number(NC_GLOBAL, "section_seconds", row.sectionEnd - row.sectionStart);
        f.text(NC_GLOBAL, "window", row.window);
        f.integer(NC_GLOBAL, "tide_filter", row.tideFilter ? 1 : 0);
        f.number(NC_GLOBAL, "hmo_m", row.result.hmo);
        f.endDefine();
        std::vector<double> hz(spectrum.size());
        for (std::size_t k = 0; k < hz.size(); ++k) hz[k] = static_cast<double>(k) * row.result.df;
        const std::array<std::size_t, 1> s{0}, n{spectrum.size()};
        put(f, freq, s, n, hz.data());
        put(f, density, s, n, spectrum.data());
        f.commit();
    } catch (const NcError& e) {
        return e.what();
    }
    return {};
}

}  // namespace netcdf
