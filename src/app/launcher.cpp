// fathomhost: the command. --analyze without --netcdf runs here, in a program that loads
// neither Qt nor NetCDF: a day's analysis takes little more time than loading the eighty-odd
// libraries they pull in. Everything else goes, with the same arguments, to the whole program
// (libexec/fathomhost in this program's folder), which takes this process's place.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "analysis/batch_analysis.h"
#include "app/cli.h"

namespace {

namespace fs = std::filesystem;

fs::path wholeProgram(const char* argv0) {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);  // links resolved
    if (ec) self = fs::absolute(argv0, ec);
    return self.parent_path() / "libexec" / "fathomhost";
}

}  // namespace

int main(int argc, char** argv) {
    const app::CliOptions options = app::parseCommandLine(argc, argv);
    // Whatever the whole program answers before it analyses (a wrong command line, a
    // simulator variant to check, --version, --help) is left to it, to be answered in one
    // place.
    if (options.analyze && !options.netcdf && options.error.empty() && options.variant.empty() &&
        !options.version && !options.help) {
        return analysis::runBatch(app::batchOptions(options), std::cerr);
    }
    const std::string path = wholeProgram(argv[0]).string();
    execv(path.c_str(), argv);
    std::fprintf(stderr, "fathomhost: cannot start %s: %s\n", path.c_str(), std::strerror(errno));
    return 127;
}
