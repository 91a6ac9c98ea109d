// Numbering attempts and naming reports in a report folder.
#include "monitor/production/report_folder.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "monitor/production/report_fields.h"
#include "monitor/production/unit_serial.h"

namespace fs = std::filesystem;

namespace {

bool digitsAt(const std::string& text, std::size_t at, std::size_t count) {
    if (at + count > text.size()) {
        return false;
    }
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    return true;
}

// What an earlier report file says: its attempt when it is a sound report of unit, 0 when it
// is sound but of another unit, -1 when it is damaged.
int attemptOf(const fs::path& path, const std::string& unit) {
    std::error_code failed;
    const std::uintmax_t size = fs::file_size(path, failed);
    if (failed || size > kReportReadLimit) {
        return -1;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text(static_cast<std::size_t>(size), '\0');
    if (!in || !in.read(&text[0], static_cast<std::streamsize>(text.size()))) {
        return -1;
    }
    ReportFields fields;
    if (!readReportFields(text, fields) || !fields.hasUnit) {
        return -1;
    }
    if (fields.unit != unit) {
        return 0;
    }
    const double attempt = fields.attempt;
    if (!fields.hasAttempt || !std::isfinite(attempt) || attempt < 1.0 || attempt > kAttemptLimit ||
        attempt != std::floor(attempt)) {
        return -1;
    }
    return static_cast<int>(attempt);
}

std::string timeStamp(std::time_t start) {
    const std::tm* local = std::localtime(&start);
    char stamp[32] = "00000000-000000";
    if (local != nullptr) {
        std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", local);
    }
    return stamp;
}

// Creates path only if it does not exist yet.
bool createNew(const fs::path& path) {
#ifdef _WIN32
    const int file = _wopen(path.wstring().c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY,
                            _S_IREAD | _S_IWRITE);
    if (file < 0) {
        return false;
    }
    _close(file);
#else
    const int file = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
    if (file < 0) {
        return false;
    }
    close(file);
#endif
    return true;
}

}  // namespace

bool isReportFileName(const std::string& name, const std::string& stem) {
    const std::string tail = ".json";
    if (name.size() < stem.size() + 1 + 15 + tail.size() ||
        name.compare(0, stem.size(), stem) != 0 ||
        name.compare(name.size() - tail.size(), tail.size(), tail) != 0) {
        return false;
    }
    std::size_t at = stem.size();
    if (name[at] != '-' || !digitsAt(name, at + 1, 8) || name[at + 9] != '-' ||
        !digitsAt(name, at + 10, 6)) {
        return false;
    }
    at += 16;
    const std::size_t end = name.size() - tail.size();
    if (at == end) {
        return true;
    }
    return name[at] == '-' && end - at >= 2 && end - at <= 6 &&
           digitsAt(name, at + 1, end - at - 1);
}

bool nextAttempt(const std::string& folder, const std::string& unit, int& attempt,
                 std::string& error) {
    attempt = 1;
    std::error_code failed;
    if (!fs::exists(folder, failed)) {
        return true;
    }
    const std::string stem = unitFileStem(unit);
    int highest = 0;
    int files = 0;
    fs::directory_iterator entries(folder, failed);
    for (; !failed && entries != fs::directory_iterator(); entries.increment(failed)) {
        const fs::path& path = entries->path();
        if (!isReportFileName(path.filename().string(), stem)) {
            continue;
        }
        const int found = attemptOf(path, unit);
        if (found != 0) {
            ++files;
            highest = std::max(highest, found);
        }
    }
    if (failed) {
        error = "cannot list the report folder " + folder + ": " + failed.message();
        return false;
    }
    attempt = std::min(std::max(highest, files), kAttemptLimit) + 1;
    return true;
}

bool claimReportPath(const std::string& folder, const std::string& unit, std::time_t start,
                     std::string& jsonPath, std::string& error) {
    std::error_code failed;
    fs::create_directories(folder, failed);
    if (failed || !fs::is_directory(folder, failed)) {
        error = "cannot make the report folder " + folder +
                (failed ? ": " + failed.message() : ": a file of that name is in the way");
        return false;
    }
    const std::string base = unitFileStem(unit) + "-" + timeStamp(start);
    for (int number = 1; number <= 999; ++number) {
        const std::string name = number == 1 ? base : base + "-" + std::to_string(number);
        const fs::path json = fs::path(folder) / (name + ".json");
        if (fs::exists(fs::path(folder) / (name + ".html"), failed)) {
            continue;
        }
        if (createNew(json)) {
            jsonPath = json.string();
            return true;
        }
        if (!fs::exists(json, failed)) {
            break;  // not taken, yet it cannot be made
        }
    }
    error = "cannot create a report file in " + folder + " for " + base;
    return false;
}
