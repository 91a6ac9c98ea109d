// A strict little JSON reader for checking the reports: objects, arrays, strings (with \uXXXX
// below 0x100 read back as one byte), numbers, true, false and null. Anything else, and text
// after the document, is an error.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

struct JsonValue {
    enum class Type { Null, Boolean, Number, String, Array, Object } type = Type::Null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::vector<JsonValue> array;
    std::map<std::string, JsonValue> object;

    const JsonValue& operator[](const std::string& key) const { return object.at(key); }
    const JsonValue& operator[](std::size_t index) const { return array.at(index); }
};

class JsonReader {
  public:
    explicit JsonReader(const std::string& text) : text_(text) {}

    // Reads the whole text as one value; false when it is not valid JSON.
    bool read(JsonValue& value) { return parseValue(value) && (skipBlanks(), at_ == text_.size()); }

  private:
    void skipBlanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }

    bool literal(const char* word) {
        const std::string w = word;
        if (text_.compare(at_, w.size(), w) != 0) {
            return false;
        }
        at_ += w.size();
        return true;
    }

    bool parseString(std::string& out) {
        if (at_ >= text_.size() || text_[at_] != '"') {
            return false;
        }
        ++at_;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;  // control characters must be escaped
            }
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size()) {
                return false;
            }
            const char e = text_[at_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    if (at_ + 4 > text_.size()) {
                        return false;
                    }
                    const std::string hex = text_.substr(at_, 4);
                    char* end = nullptr;
                    const long code = std::strtol(hex.c_str(), &end, 16);
                    if (end != hex.c_str() + 4 || code >= 0x100) {
                        return false;
                    }
                    out += static_cast<char>(code);
                    at_ += 4;
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }

    bool parseValue(JsonValue& value) {
        skipBlanks();
        if (at_ >= text_.size()) {
            return false;
        }
        const char c = text_[at_];
        if (c == '{') {
            value.type = JsonValue::Type::Object;
            ++at_;
            skipBlanks();
            if (at_ < text_.size() && text_[at_] == '}') {
                ++at_;
                return true;
            }
            while (true) {
                skipBlanks();
                std::string key;
                if (!parseString(key)) {
                    return false;
                }
                skipBlanks();
                if (at_ >= text_.size() || text_[at_++] != ':') {
                    return false;
                }
                if (!parseValue(value.object[key])) {
                    return false;
                }
                skipBlanks();
                if (at_ >= text_.size()) {
                    return false;
                }
                const char next = text_[at_++];
                if (next == '}') {
                    return true;
                }
                if (next != ',') {
                    return false;
                }
            }
        }
        if (c == '[') {
            value.type = JsonValue::Type::Array;
            ++at_;
            skipBlanks();
            if (at_ < text_.size() && text_[at_] == ']') {
                ++at_;
                return true;
            }
            while (true) {
                value.array.emplace_back();
                if (!parseValue(value.array.back())) {
                    return false;
                }
                skipBlanks();
                if (at_ >= text_.size()) {
                    return false;
                }
                const char next = text_[at_++];
                if (next == ']') {
                    return true;
                }
                if (next != ',') {
                    return false;
                }
            }
        }
        if (c == '"') {
            value.type = JsonValue::Type::String;
            return parseString(value.text);
        }
        if (literal("true") || literal("false")) {
            value.type = JsonValue::Type::Boolean;
            value.boolean = c == 't';
            return true;
        }
        if (literal("null")) {
            value.type = JsonValue::Type::Null;
            return true;
        }
        const char* start = text_.c_str() + at_;
        char* end = nullptr;
        value.number = std::strtod(start, &end);
        if (end == start || !(c == '-' || (c >= '0' && c <= '9'))) {
            return false;
        }
        value.type = JsonValue::Type::Number;
        at_ += static_cast<std::size_t>(end - start);
        return true;
    }

    const std::string& text_;
    std::size_t at_ = 0;
};
