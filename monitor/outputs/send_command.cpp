// Parsing the readable output commands. The command is typed by a person, so every word is
// checked and an error names the first word that is wrong, quoted as it was typed.
#include "monitor/outputs/send_command.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

using Words = std::vector<std::string>;

constexpr int kFirstTrimStep = 1;
constexpr int kLastTrimStep = 20;
constexpr std::size_t kLongestQuote = 32;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

Words splitWords(const std::string& text) {
    Words words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < text.size() && !isBlank(text[i])) {
            ++i;
        }
        if (i > start) {
            words.push_back(text.substr(start, i - start));
        }
    }
    return words;
}

std::string lowered(const std::string& word) {
    std::string lower = word;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

// The word as an error quotes it: control bytes become '?' so that the error stays one line,
// and a long word is cut (never inside a UTF-8 sequence).
std::string quoted(const std::string& word) {
    std::size_t length = word.size();
    if (length > kLongestQuote) {
        length = kLongestQuote;
        while (length > 0 && (static_cast<unsigned char>(word[length]) & 0xC0) == 0x80) {
            --length;
        }
    }
    std::string shown = "'";
    for (std::size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        shown += (c < 0x20 || c == 0x7F) ? '?' : word[i];
    }
    if (length < word.size()) {
        shown += "...";
    }
    return shown + "'";
}

bool isDigits(const std::string& word) {
    if (word.empty()) {
        return false;
    }
    for (char c : word) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// A trim step 1..20 from a word of digits.
bool parseStep(const std::string& word, std::int16_t& step, std::string& error) {
    if (!isDigits(word)) {
        error = quoted(word) + " is not a trim step: expected a number 1..20";
        return false;
    }
    int value = 0;
    for (char c : word) {
        value = value * 10 + (c - '0');
        if (value > kLastTrimStep) {
            break;  // out of range already; no overflow however long the word
        }
    }
    if (value < kFirstTrimStep || value > kLastTrimStep) {
        error = "trim step " + quoted(word) + " is out of range: expected 1..20";
        return false;
    }
    step = static_cast<std::int16_t>(value);
    return true;
}

// Error for the first word after a complete command, if there is one.
bool endsAt(const Words& words, std::size_t count, std::string& error) {
    if (words.size() <= count) {
        return true;
    }
    std::string command;
    for (std::size_t i = 0; i < count; ++i) {
        command += (i == 0 ? "" : " ") + lowered(words[i]);
    }
    error = "unexpected " + quoted(words[count]) + " after '" + command + "': nothing follows it";
    return false;
}

bool parseTrim(const Words& words, OutputState& state, std::string& error) {
    if (words.size() < 2) {
        error = quoted(words[0]) + " needs a value: expected on, off or a step 1..20";
        return false;
    }
    const std::string value = lowered(words[1]);
    if (value == "on") {
        if (words.size() >= 3 && !parseStep(words[2], state.trimIndicatorStep, error)) {
            return false;
        }
        state.trimIndicatorOn = 1;
        return endsAt(words, 3, error);
    }
    if (value == "off") {
        state.trimIndicatorOn = 0;
        return endsAt(words, 2, error);
    }
    if (!isDigits(words[1])) {
        error = "unknown " + quoted(words[1]) + " after 'trim': expected on, off or a step 1..20";
        return false;
    }
    return parseStep(words[1], state.trimIndicatorStep, error) && endsAt(words, 2, error);
}

bool parseColour(const std::string& word, const std::string& colour, std::int16_t& light,
                 std::string& error) {
    const std::string value = lowered(colour);
    if (value == "off") {
        light = 0;
    } else if (value == "red") {
        light = 1;
    } else if (value == "green") {
        light = 2;
    } else {
        error = (value.empty() ? quoted(word) + " has no colour"
                               : "unknown colour " + quoted(colour) + " in " + quoted(word)) +
                ": expected off, red or green";
        return false;
    }
    return true;
}

bool parseGear(const Words& words, OutputState& state, std::string& error) {
    const char* const names[3] = {"left", "nose", "right"};
    std::int16_t* const lights[3] = {&state.leftGearLight, &state.noseGearLight,
                                     &state.rightGearLight};
    bool named[3] = {false, false, false};
    bool dimmed = false;
    for (std::int16_t* light : lights) {
        *light = 0;
    }
    for (std::size_t i = 1; i < words.size(); ++i) {
        const std::string& word = words[i];
        const std::string lower = lowered(word);
        if (lower == "dimmed") {
            if (dimmed) {
                error = quoted(word) + " is given twice: name it once";
                return false;
            }
            dimmed = true;
            continue;
        }
        const std::size_t equals = lower.find('=');
        const std::string name = lower.substr(0, equals);
        int which = -1;
        for (int n = 0; n < 3; ++n) {
            if (name == names[n]) {
                which = n;
            }
        }
        if (which < 0) {
            error = "unknown " + quoted(word) +
                    " after 'gear': expected left=, nose=, right= (off, red or green) or dimmed";
            return false;
        }
        if (equals == std::string::npos) {
            error = quoted(word) + " needs a colour: expected " + name + "=off, " + name +
                    "=red or " + name + "=green";
            return false;
        }
        if (named[which]) {
            error = "the " + name + " gear light is named twice (" + quoted(word) +
                    "): name each light once";
            return false;
        }
        named[which] = true;
        if (!parseColour(word, word.substr(equals + 1), *lights[which], error)) {
            return false;
        }
    }
    state.lightsDimmed = dimmed ? 1 : 0;
    return true;
}

bool parseHobbs(const Words& words, OutputState& state, std::string& error) {
    if (words.size() < 2) {
        error = quoted(words[0]) + " needs a value: expected on or off";
        return false;
    }
    const std::string value = lowered(words[1]);
    if (value != "on" && value != "off") {
        error = "unknown " + quoted(words[1]) + " after 'hobbs': expected on or off";
        return false;
    }
    state.hobbsOn = value == "on" ? 1 : 0;
    return endsAt(words, 2, error);
}

}  // namespace

bool parseSendCommand(const std::string& text, OutputState& state, OutputFrameKind& kind,
                      std::string& error) {
    const Words words = splitWords(text);
    if (words.empty()) {
        error = "empty command: expected trim, gear or hobbs";
        return false;
    }
    // Parsed into a copy, so that a command that turns out wrong later changes nothing.
    OutputState wanted = state;
    const std::string output = lowered(words[0]);
    bool parsed = false;
    OutputFrameKind parsedKind = OutputFrameKind::TrimIndicator;
    if (output == "trim") {
        parsed = parseTrim(words, wanted, error);
    } else if (output == "gear") {
        parsed = parseGear(words, wanted, error);
        parsedKind = OutputFrameKind::GearLights;
    } else if (output == "hobbs") {
        parsed = parseHobbs(words, wanted, error);
        parsedKind = OutputFrameKind::HobbsMeter;
    } else {
        error = "unknown output " + quoted(words[0]) + ": expected trim, gear or hobbs";
    }
    if (!parsed) {
        return false;
    }
    state = wanted;
    kind = parsedKind;
    return true;
}
