#pragma once
#include <span>
#include <string>

#include "analysis/results_table.h"

namespace netcdf {

// The results table of a batch analysis as NetCDF beside its CSV (wave_results.csv ->
// wave_results.nc): a "result" dimension, a variable per column with its units and, where
// CF has one, its standard name. Empty on success, else why not.
std::string writeResults(std::span<const analysis::ResultRow> rows, const std::string& csvPath);

// One spectrum as NetCDF beside its CSV: a frequency coordinate and the variance density with
// its units, and what the spectrum is of as attributes. Empty on success, else why not.
std::string writeSpectrum(const analysis::ResultRow& row, std::span<const double> spectrum,
                          const std::string& csvPath);

// The NetCDF file beside a CSV file: the same name with ".nc".
std::string besideCsv(const std::string& csvPath);

}  // namespace netcdf
