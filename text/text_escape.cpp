#include "text/text_escape.h"

#include <cstdio>

namespace {

bool isControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

std::string hexEscape(const char* format, unsigned char byte) {
    char text[16];
    std::snprintf(text, sizeof text, format, static_cast<unsigned>(byte));
    return text;
}

}  // namespace

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (isControl(byte) || byte >= 0x80) {
            out += hexEscape("\\u%04x", byte);
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

std::string htmlText(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                if (isControl(byte)) {
                    out += hexEscape("\\x%02X", byte);
                } else if (byte >= 0x80) {
                    out += hexEscape("&#x%02X;", byte);
                } else {
                    out += c;
                }
                break;
        }
    }
    return out;
}
