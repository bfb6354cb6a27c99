#pragma once
// Reads back what an export wrote, through the NetCDF library itself.
#include <gtest/gtest.h>
#include <netcdf.h>

#include <string>
#include <vector>

namespace nctest {

class NcReader {
  public:
    explicit NcReader(const std::string& path) {
        ok_ = nc_open(path.c_str(), NC_NOWRITE, &id_) == NC_NOERR;
    }
    ~NcReader() {
        if (ok_) nc_close(id_);
    }
    bool ok() const { return ok_; }

    bool has(const std::string& var) const {
        int v = -1;
        return nc_inq_varid(id_, var.c_str(), &v) == NC_NOERR;
    }
    std::size_t dim(const std::string& name) const {
        int d = -1;
        std::size_t n = 0;
        if (nc_inq_dimid(id_, name.c_str(), &d) != NC_NOERR) return 0;
        nc_inq_dimlen(id_, d, &n);
        return n;
    }
    // Text attribute of a variable ("" for the file's own).
    std::string text(const std::string& var, const std::string& name) const {
        const int v = varid(var);
        std::size_t n = 0;
        if (nc_inq_attlen(id_, v, name.c_str(), &n) != NC_NOERR) return "<none>";
        std::string s(n, '\0');
        nc_get_att_text(id_, v, name.c_str(), s.data());
        return s;
    }
    double number(const std::string& var, const std::string& name) const {
        double x = 0;
        EXPECT_EQ(nc_get_att_double(id_, varid(var), name.c_str(), &x), NC_NOERR) << name;
        return x;
    }
    template <typename T>
    std::vector<T> values(const std::string& var) const {
        const int v = varid(var);
        int dims = 0;
        nc_inq_varndims(id_, v, &dims);
        std::vector<int> ids(static_cast<std::size_t>(dims));
        nc_inq_vardimid(id_, v, ids.data());
        std::size_t n = 1;
        for (int d : ids) {
            std::size_t len = 0;
            nc_inq_dimlen(id_, d, &len);
            n *= len;
        }
        std::vector<T> out(n);
        int status = NC_NOERR;
        if constexpr (std::is_same_v<T, float>)
            status = nc_get_var_float(id_, v, out.data());
        else if constexpr (std::is_same_v<T, double>)
            status = nc_get_var_double(id_, v, out.data());
        else if constexpr (std::is_same_v<T, unsigned char>)
            status = nc_get_var_uchar(id_, v, out.data());
        else
            status = nc_get_var_int(id_, v, out.data());
        EXPECT_EQ(status, NC_NOERR) << var;
        return out;
    }
    std::vector<std::string> strings(const std::string& var) const {
        const std::size_t n = dim("result");
        std::vector<char*> p(n);
        nc_get_var_string(id_, varid(var), p.data());
        std::vector<std::string> out(p.begin(), p.end());
        nc_free_string(n, p.data());
        return out;
    }

  private:
    int varid(const std::string& var) const {
        if (var.empty()) return NC_GLOBAL;
        int v = -1;
        EXPECT_EQ(nc_inq_varid(id_, var.c_str(), &v), NC_NOERR) << var;
        return v;
    }
    int id_ = -1;
    bool ok_ = false;
};

}  // namespace nctest
