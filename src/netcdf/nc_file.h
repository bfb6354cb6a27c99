#pragma once
#include <netcdf.h>

#include <cstddef>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace netcdf {

// A NetCDF library call that failed: what was being done and the library's words for it.
struct NcError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A NetCDF-4 file written under a temporary name beside its final one, and given that name
// only by commit(): a file that is cut short (an error, a cancel, the program stopped) never
// stands where a finished one is expected. The temporary file is removed unless committed.
class NcFile {
  public:
    explicit NcFile(std::string path);
    ~NcFile();
    NcFile(const NcFile&) = delete;
    NcFile& operator=(const NcFile&) = delete;

    const std::string& path() const { return path_; }
    int id() const { return ncid_; }

    int defineDim(std::string_view name, std::size_t length);
    // A variable over the given dimensions; chunk sizes and deflate level only when given.
    int defineVar(std::string_view name, nc_type type, std::span<const int> dims,
                  std::span<const std::size_t> chunks = {}, int deflateLevel = 0);
    void text(int var, std::string_view name, std::string_view value);
    void number(int var, std::string_view name, double value);
    void integer(int var, std::string_view name, int value);
    void numbers(int var, std::string_view name, nc_type type, std::span<const double> values);
    // The fill value written into a variable where nothing was stored (before endDefine).
    template <typename T>
    void fill(int var, T value) {
        check(nc_def_var_fill(ncid_, var, 0, &value), "a fill value");
    }
    void endDefine();

    // Closes the file and gives it its final name, replacing a file of that name.
    void commit();

    // Throws NcError naming the file when status is not NC_NOERR.
    void check(int status, std::string_view doing) const;

  private:
    std::string path_;
    std::string partPath_;
    int ncid_ = -1;
    bool open_ = false;
};

// The variable's values: start and count per dimension, the data in C order.
void put(const NcFile& f, int var, std::span<const std::size_t> start,
         std::span<const std::size_t> count, const float* data);
void put(const NcFile& f, int var, std::span<const std::size_t> start,
         std::span<const std::size_t> count, const double* data);
void put(const NcFile& f, int var, std::span<const std::size_t> start,
         std::span<const std::size_t> count, const int* data);
void put(const NcFile& f, int var, std::span<const std::size_t> start,
         std::span<const std::size_t> count, const signed char* data);
void put(const NcFile& f, int var, std::span<const std::size_t> start,
         std::span<const std::size_t> count, const unsigned char* data);
// Text values of a one-dimensional NC_STRING variable.
void putStrings(const NcFile& f, int var, const std::vector<std::string>& values);

}  // namespace netcdf
