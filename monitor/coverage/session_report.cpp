// The report's data from the tracker and the registry, its file names, and writing the files.
#include "monitor/coverage/session_report.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

bool endsWithHtml(const std::string& extension) {
    if (extension.size() != 5) {
        return false;
    }
    std::string lower = extension;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower == ".html";
}

bool writeFile(const std::string& path, const std::string& content, std::string& error) {
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        const int reason = errno;
        error = "cannot write " + path + ": " +
                (reason != 0 ? std::strerror(reason) : "the file cannot be created");
        return false;
    }
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    if (!out) {
        const int reason = errno;
        error = "cannot write " + path + ": " +
                (reason != 0 ? std::strerror(reason) : "writing failed");
        return false;
    }
    return true;
}

}  // namespace

int SessionReport::requiredItems() const {
    int count = 0;
    for (std::size_t i = 0; i < coverage.size(); ++i) {
        count += requiredAt(i) ? 1 : 0;
    }
    return count;
}

int SessionReport::seenRequiredItems() const {
    int count = 0;
    for (std::size_t i = 0; i < coverage.size(); ++i) {
        count += requiredAt(i) && coverage[i].seen ? 1 : 0;
    }
    return count;
}

void addCoverage(SessionReport& report, const CoverageTracker& tracker) {
    report.coverageRun = true;
    report.coverage = tracker.items();
    report.required.clear();
    for (const CoverageItem& item : report.coverage) {
        report.required.push_back(tracker.required(item));
    }
}

std::vector<SessionReport::Module> announcedModules(const ModuleRegistry& registry) {
    std::vector<SessionReport::Module> modules;
    for (int type = 0; type < kModuleTypeCount; ++type) {
        const ModuleEntry& entry = registry.entries[type];
        if (entry.present == 0) {
            continue;
        }
        SessionReport::Module module;
        module.type = type;
        module.version = entry.version;
        // The name ends at its terminator or at the end of its array, whichever comes first.
        const char* end = std::find(entry.name, entry.name + kModuleNameSize, '\0');
        module.name.assign(entry.name, end);
        modules.push_back(std::move(module));
    }
    return modules;
}

std::string localIsoTime(std::time_t when) {
    const std::tm* localFields = std::localtime(&when);
    if (localFields == nullptr) {
        return "-";
    }
    const std::tm local = *localFields;
    const std::tm* utcFields = std::gmtime(&when);
    if (utcFields == nullptr) {
        return "-";
    }
    const std::tm utc = *utcFields;
    // The two calendars differ by at most one day.
    int dayShift = local.tm_yday - utc.tm_yday;
    if (local.tm_year != utc.tm_year) {
        dayShift = local.tm_year > utc.tm_year ? 1 : -1;
    }
    const int offset =
        dayShift * 24 * 60 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
    char stamp[32];
    if (std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local) == 0) {
        return "-";
    }
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+',
                  std::abs(offset) / 60 % 100, std::abs(offset) % 60);
    return std::string(stamp) + zone;
}

SessionReportPaths sessionReportPaths(const std::string& path) {
    // The extension starts at the last dot of the file name, unless that dot begins the name.
    const std::size_t nameStart =
        path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1;
    const std::size_t dot = path.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && dot > nameStart;
    const std::string stem = hasExtension ? path.substr(0, dot) : path;
    if (hasExtension && endsWithHtml(path.substr(dot))) {
        return {stem + ".json", path};
    }
    return {path, stem + ".html"};
}

bool writeSessionReport(const SessionReport& report, const std::string& path, std::string& error) {
    if (path.empty()) {
        error = "cannot write the report: no file name given";
        return false;
    }
    const SessionReportPaths paths = sessionReportPaths(path);
    return writeFile(paths.json, sessionReportJson(report), error) &&
           writeFile(paths.html, sessionReportHtml(report), error);
}
