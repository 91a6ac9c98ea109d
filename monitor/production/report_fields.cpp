// A strict, small JSON reader that keeps only the top-level "unit" and "attempt".
#include "monitor/production/report_fields.h"

#include <cstdlib>

namespace {

constexpr int kDepthLimit = 16;  // the report nests four deep

class Reader {
  public:
    explicit Reader(const std::string& text) : text_(text) {}

    bool document(ReportFields& fields) {
        blanks();
        if (!peek('{') || !object(0, &fields)) {
            return false;
        }
        blanks();
        return at_ == text_.size();
    }

  private:
    bool peek(char c) const { return at_ < text_.size() && text_[at_] == c; }
    bool take(char c) {
        blanks();
        if (!peek(c)) {
            return false;
        }
        ++at_;
        return true;
    }
    void blanks() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\n' ||
                                      text_[at_] == '\r' || text_[at_] == '\t')) {
            ++at_;
        }
    }

    // The top-level object fills fields; deeper ones are only checked.
    bool object(int depth, ReportFields* fields) {
        if (!take('{')) {
            return false;
        }
        if (take('}')) {
            return true;
        }
        do {
            std::string key;
            blanks();
            if (!string(key) || !take(':')) {
                return false;
            }
            blanks();
            if (fields != nullptr && key == "unit" && peek('"')) {
                fields->hasUnit = string(fields->unit);
                if (!fields->hasUnit) {
                    return false;
                }
            } else if (fields != nullptr && key == "attempt" && at_ < text_.size() &&
                       (text_[at_] == '-' || (text_[at_] >= '0' && text_[at_] <= '9'))) {
                fields->hasAttempt = number(&fields->attempt);
                if (!fields->hasAttempt) {
                    return false;
                }
            } else if (!value(depth + 1)) {
                return false;
            }
        } while (take(','));
        return take('}');
    }

    bool array(int depth) {
        if (!take('[')) {
            return false;
        }
        if (take(']')) {
            return true;
        }
        do {
            if (!value(depth + 1)) {
                return false;
            }
        } while (take(','));
        return take(']');
    }

    bool value(int depth) {
        if (depth > kDepthLimit) {
            return false;
        }
        blanks();
        if (at_ >= text_.size()) {
            return false;
        }
        const char c = text_[at_];
        if (c == '{') {
            return object(depth, nullptr);
        }
        if (c == '[') {
            return array(depth);
        }
        if (c == '"') {
            std::string ignored;
            return string(ignored);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            return number(nullptr);
        }
        return word("true") || word("false") || word("null");
    }

    bool word(const char* literal) {
        const std::string w = literal;
        if (text_.compare(at_, w.size(), w) != 0) {
            return false;
        }
        at_ += w.size();
        return true;
    }

    static int hexDigit(char c) {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return -1;
    }

    // A string; \uXXXX below 0x100 is kept as that byte, others as '?'.
    bool string(std::string& out) {
        if (!peek('"')) {
            return false;
        }
        ++at_;
        out.clear();
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"') {
                return true;
            }
            if (static_cast<unsigned char>(c) < 0x20) {
                return false;
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
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    if (at_ + 4 > text_.size()) {
                        return false;
                    }
                    int code = 0;
                    for (int i = 0; i < 4; ++i) {
                        const int digit = hexDigit(text_[at_++]);
                        if (digit < 0) {
                            return false;
                        }
                        code = code * 16 + digit;
                    }
                    out += code < 0x100 ? static_cast<char>(code) : '?';
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }

    // JSON's number grammar; the value is kept when out is given.
    bool number(double* out) {
        const std::size_t start = at_;
        auto digits = [&] {
            const std::size_t from = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') {
                ++at_;
            }
            return at_ > from;
        };
        if (peek('-')) {
            ++at_;
        }
        if (peek('0')) {
            ++at_;
        } else if (!digits()) {
            return false;
        }
        if (peek('.')) {
            ++at_;
            if (!digits()) {
                return false;
            }
        }
        if (peek('e') || peek('E')) {
            ++at_;
            if (peek('+') || peek('-')) {
                ++at_;
            }
            if (!digits()) {
                return false;
            }
        }
        if (out != nullptr) {
            *out = std::strtod(text_.substr(start, at_ - start).c_str(), nullptr);
        }
        return true;
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

}  // namespace

bool readReportFields(const std::string& text, ReportFields& fields) {
    fields = ReportFields{};
    return Reader(text).document(fields);
}
