// Reading an expected panel profile.
#include "monitor/profile/panel_profile.h"

#include <cerrno>
#include <cstring>
#include <fstream>

#include "protocol/module_registry.h"
#include "text/text_escape.h"

namespace {

constexpr int kVersionLimit = 127;  // a version is one data byte

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) {
            ++at;
        }
        const std::size_t start = at;
        while (at < line.size() && line[at] != ' ' && line[at] != '\t') {
            ++at;
        }
        if (at > start) {
            out.push_back(line.substr(start, at - start));
        }
    }
    return out;
}

// A decimal number of at most three digits within 0..limit.
bool number(const std::string& text, int limit, int& value) {
    if (text.empty() || text.size() > 3) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    return value <= limit;
}

class LineParser {
  public:
    LineParser(const std::string& fileName, PanelProfile& profile, std::string& error)
        : fileName_(fileName), profile_(profile), error_(error) {}

    bool fail(int line, const std::string& message) {
        error_ = fileName_ + ":" + std::to_string(line) + ": " + message;
        return false;
    }

    bool parse(int line, const std::string& text) {
        for (char c : text) {
            if ((static_cast<unsigned char>(c) < 0x20 && c != '\t') || c == 0x7F) {
                return fail(line, "control character in the line; a profile is plain text");
            }
        }
        const std::vector<std::string> tokens = words(text);
        if (tokens.empty() || tokens[0][0] == '#') {
            return true;
        }
        const std::string& keyword = tokens[0];
        if (keyword == "name") {
            return parseName(line, text);
        }
        if (keyword == "module" || keyword == "optional") {
            return parseModule(line, tokens, keyword == "optional");
        }
        return fail(line, "unknown keyword " + jsonString(keyword) +
                              " (a line is: name TEXT, module TYPE [min-version N], optional "
                              "TYPE [min-version N], or # comment)");
    }

  private:
    bool parseName(int line, const std::string& text) {
        if (nameLine_ != 0) {
            return fail(line,
                        "a second name (the first is on line " + std::to_string(nameLine_) + ")");
        }
        const std::size_t start = text.find_first_not_of(" \t", text.find("name") + 4);
        const std::size_t end = text.find_last_not_of(" \t");
        if (start == std::string::npos) {
            return fail(line, "name without a text");
        }
        profile_.name = text.substr(start, end + 1 - start);
        nameLine_ = line;
        return true;
    }

    bool parseModule(int line, const std::vector<std::string>& tokens, bool optional) {
        const std::string& keyword = tokens[0];
        if (tokens.size() != 2 && tokens.size() != 4) {
            return fail(line, keyword + " takes a module type and optionally min-version N");
        }
        ProfileModule module;
        module.optional = optional;
        if (!number(tokens[1], kModuleTypeCount - 1, module.type)) {
            return fail(line, "module type " + jsonString(tokens[1]) + " is not a number 0.." +
                                  std::to_string(kModuleTypeCount - 1));
        }
        if (tokens.size() == 4) {
            if (tokens[2] != "min-version") {
                return fail(line, "expected min-version after the module type, not " +
                                      jsonString(tokens[2]));
            }
            if (!number(tokens[3], kVersionLimit, module.minVersion)) {
                return fail(line, "version " + jsonString(tokens[3]) + " is not a number 0.." +
                                      std::to_string(kVersionLimit));
            }
        }
        if (profile_.find(module.type) != nullptr) {
            return fail(line, "module " + std::to_string(module.type) + " is named twice");
        }
        profile_.modules.push_back(module);
        return true;
    }

    const std::string& fileName_;
    PanelProfile& profile_;
    std::string& error_;
    int nameLine_ = 0;
};

}  // namespace

const ProfileModule* PanelProfile::find(int type) const {
    for (const ProfileModule& module : modules) {
        if (module.type == type) {
            return &module;
        }
    }
    return nullptr;
}

bool parsePanelProfile(const std::string& text, const std::string& fileName, PanelProfile& profile,
                       std::string& error) {
    profile = PanelProfile{};
    LineParser parser(fileName, profile, error);
    if (text.size() > kProfileSizeLimit) {
        return parser.fail(1, "the file is longer than " +
                                  std::to_string(kProfileSizeLimit / 1024) +
                                  " KiB; a profile is a few lines");
    }
    std::size_t at = 0;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        at = 3;  // a byte-order mark, as some Windows editors write
    }
    int line = 0;
    while (at < text.size()) {
        ++line;
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string content = text.substr(at, end - at);
        at = end + 1;
        if (!content.empty() && content.back() == '\r') {
            content.pop_back();
        }
        if (content.size() > kProfileLineLimit) {
            return parser.fail(line, "the line is longer than " +
                                         std::to_string(kProfileLineLimit) + " characters");
        }
        if (!parser.parse(line, content)) {
            return false;
        }
    }
    if (profile.modules.empty()) {
        return parser.fail(line == 0 ? 1 : line, "the profile names no module");
    }
    return true;
}

bool loadPanelProfile(const std::string& path, PanelProfile& profile, std::string& error) {
    errno = 0;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int reason = errno;
        error = "cannot read the profile " + path + ": " +
                (reason != 0 ? std::strerror(reason) : "the file cannot be opened");
        return false;
    }
    // One byte beyond the limit is enough to tell a file that is too long.
    std::string text(kProfileSizeLimit + 1, '\0');
    in.read(&text[0], static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        error = "cannot read the profile " + path + ": reading failed";
        return false;
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (!parsePanelProfile(text, path, profile, error)) {
        return false;
    }
    if (profile.name.empty()) {
        // Without a name line the profile is known by its file name.
        const std::size_t folder = path.find_last_of("/\\");
        profile.name = folder == std::string::npos ? path : path.substr(folder + 1);
    }
    return true;
}
