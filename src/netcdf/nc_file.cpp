#include "netcdf/nc_file.h"

#include <filesystem>
#include <system_error>

namespace netcdf {

namespace fs = std::filesystem;

NcFile::NcFile(std::string path) : path_(std::move(path)), partPath_(path_ + ".part") {
    check(nc_create(partPath_.c_str(), NC_NETCDF4 | NC_CLOBBER, &ncid_), "creating the file");
    open_ = true;
}

NcFile::~NcFile() {
    if (open_) nc_close(ncid_);
    if (!partPath_.empty()) {
        std::error_code ec;
        fs::remove(partPath_, ec);
    }
}

void NcFile::check(int status, std::string_view doing) const {
    if (status == NC_NOERR) return;
    std::string what = partPath_.empty() ? path_ : partPath_;
    what.append(": ").append(doing).append(": ").append(nc_strerror(status));
    throw NcError(what);
}

int NcFile::defineDim(std::string_view name, std::size_t length) {
    int id = -1;
    check(nc_def_dim(ncid_, std::string(name).c_str(), length, &id), "a dimension");
    return id;
}

int NcFile::defineVar(std::string_view name, nc_type type, std::span<const int> dims,
                      std::span<const std::size_t> chunks, int deflateLevel) {
    int id = -1;
    const std::string n(name);
    check(nc_def_var(ncid_, n.c_str(), type, static_cast<int>(dims.size()), dims.data(), &id),
          "variable " + n);
    if (!chunks.empty())
        check(nc_def_var_chunking(ncid_, id, NC_CHUNKED, chunks.data()), "chunks of " + n);
    // Shuffling the bytes of each value first lets deflate find the slowly changing high bytes.
    if (deflateLevel > 0)
        check(nc_def_var_deflate(ncid_, id, 1, 1, deflateLevel), "compression of " + n);
    return id;
}

void NcFile::text(int var, std::string_view name, std::string_view value) {
    check(nc_put_att_text(ncid_, var, std::string(name).c_str(), value.size(), value.data()),
          "attribute " + std::string(name));
}

void NcFile::number(int var, std::string_view name, double value) {
    check(nc_put_att_double(ncid_, var, std::string(name).c_str(), NC_DOUBLE, 1, &value),
          "attribute " + std::string(name));
}

void NcFile::integer(int var, std::string_view name, int value) {
    check(nc_put_att_int(ncid_, var, std::string(name).c_str(), NC_INT, 1, &value),
          "attribute " + std::string(name));
}

void NcFile::numbers(int var, std::string_view name, nc_type type, std::span<const double> values) {
    check(nc_put_att_double(ncid_, var, std::string(name).c_str(), type, values.size(),
                            values.data()),
          "attribute " + std::string(name));
}

void NcFile::endDefine() { check(nc_enddef(ncid_), "ending the definitions"); }

void NcFile::commit() {
    open_ = false;
    check(nc_close(ncid_), "closing the file");
    std::error_code ec;
    fs::rename(partPath_, path_, ec);
    if (ec) throw NcError(path_ + ": cannot be written: " + ec.message());
    partPath_.clear();
}

void put(const NcFile& f, int var, std::span<const std::size_t> start,
         std::span<const std::size_t> count, const float* data) {
    f.check(nc_put_vara_float(f.id(), var, start.data(), count.data(), data), "writing values");
}
void put(const NcFile& f, int var, std::span<const std::size_t> start,
         std::span<const std::size_t> count, const double* data) {
    f.check(nc_put_vara_double(f.id(), var, start.data(), count.data(), data), "writing values");
}
void put(const NcFile& f, int var, std::span<const std::size_t> start,
         std::span<const std::size_t> count, const int* data) {
    f.check(nc_put_vara_int(f.id(), var, start.data(), count.data(), data), "writing values");
}
void put(const NcFile& f, int var, std::span<const std::size_t> start,
         std::span<const std::size_t> count, const signed char* data) {
    f.check(nc_put_vara_schar(f.id(), var, start.data(), count.data(), data), "writing values");
}
void put(const NcFile& f, int var, std::span<const std::size_t> start,
         std::span<const std::size_t> count, const unsigned char* data) {
    f.check(nc_put_vara_uchar(f.id(), var, start.data(), count.data(), data), "writing values");
}

void putStrings(const NcFile& f, int var, const std::vector<std::string>& values) {
    std::vector<const char*> p;
    p.reserve(values.size());
    for (const std::string& s : values) p.push_back(s.c_str());
    const std::size_t start = 0, count = values.size();
    f.check(nc_put_vara_string(f.id(), var, &start, &count, p.data()), "writing texts");
}

}  // namespace netcdf
