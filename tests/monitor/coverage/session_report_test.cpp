// The session report: where its two files go, that the JSON parses and carries what the session
// saw, that text from the panel cannot break out of either document, and write errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "monitor/coverage/session_report.h"
#include "tests/monitor/coverage/mini_json.h"

namespace {

namespace fs = std::filesystem;

// Quotes, markup, an apostrophe, control bytes, a byte outside ASCII, an ampersand, a backslash.
const std::string kHostile =
    std::string("17A\"<script>alert('x')</script>") + "\x01" + "\x7f" + "\xe9" + "&\\";
const std::string kHostileHtml =
    "17A&quot;&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt;\\x01\\x7F&#xE9;&amp;\\";

SessionReport sampleReport() {
    SessionReport report;
    report.startedAt = "2024-05-02T14:03:12+02:00";
    report.seconds = 31.25;
    report.connection = "COM5";
    report.mainboard = kHostile;
    report.modules = {{99, 2, "ORVAN ZR8 LDG Gear Modul"}, {50, 1, kHostile}};
    report.coverageRun = true;
    report.coverage = {{36, "off", true, 1.5}, {36, "lit", false, 0.0}, {0, "up", true, 2.0}};
    report.required = {true, true, false};
    report.outputTest = {{"gear lights green", 'y'}, {kHostile, 'n'}, {"hobbs meter runs", '?'}};
    report.passed = false;
    return report;
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

class ReportFiles : public ::testing::Test {
  protected:
    ReportFiles() {
        std::random_device random;
        dir = fs::temp_directory_path() / ("zr8-session-report-" + std::to_string(random()));
        fs::create_directories(dir);
    }
    ~ReportFiles() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    fs::path dir;
};

TEST(SessionReport, TheHtmlGoesBesideTheJson) {
    const struct {
        const char* path;
        const char* json;
        const char* html;
    } cases[] = {
        {"out/report.json", "out/report.json", "out/report.html"},
        {"out/report", "out/report", "out/report.html"},
        {"out/report.HTML", "out/report.json", "out/report.HTML"},
        {"run.v2/report", "run.v2/report", "run.v2/report.html"},
        {"C:\\bench.d\\report", "C:\\bench.d\\report", "C:\\bench.d\\report.html"},
        {"out/.report", "out/.report", "out/.report.html"},
        {"report.log.txt", "report.log.txt", "report.log.html"},
    };
    for (const auto& c : cases) {
        const SessionReportPaths paths = sessionReportPaths(c.path);
        EXPECT_EQ(paths.json, c.json) << c.path;
        EXPECT_EQ(paths.html, c.html) << c.path;
    }
}

TEST(SessionReport, JsonParsesAndCarriesThePanelsTextUnchanged) {
    const std::string json = sessionReportJson(sampleReport());
    for (const char c : json) {
        const auto byte = static_cast<unsigned char>(c);
        ASSERT_TRUE(c == '\n' || (byte >= 0x20 && byte < 0x7F)) << "raw byte " << int{byte};
    }
    JsonValue root;
    ASSERT_TRUE(JsonReader(json).read(root)) << json;
    EXPECT_EQ(root["mainboard"].text, kHostile);
    EXPECT_EQ(root["connection"].text, "COM5");
    EXPECT_DOUBLE_EQ(root["seconds"].number, 31.25);
    EXPECT_FALSE(root["passed"].boolean);
    ASSERT_EQ(root["modules"].array.size(), 2u);
    EXPECT_EQ(root["modules"][1]["name"].text, kHostile);
    EXPECT_EQ(root["modules"][1]["type"].number, 50);

    const JsonValue& coverage = root["coverage"];
    EXPECT_TRUE(coverage["run"].boolean);
    EXPECT_EQ(coverage["required"].number, 2);
    EXPECT_EQ(coverage["seen"].number, 1);
    ASSERT_EQ(coverage["items"].array.size(), 3u);
    const JsonValue& lit = coverage["items"][1];
    EXPECT_EQ(lit["groupBox"].text, "LND-Gear - Panel");
    EXPECT_EQ(lit["label"].text, "WARN HORN");
    EXPECT_EQ(lit["value"].text, "lit");
    EXPECT_TRUE(lit["required"].boolean);
    EXPECT_FALSE(lit["seen"].boolean);
    EXPECT_EQ(lit["firstSeenSeconds"].type, JsonValue::Type::Null);
    EXPECT_DOUBLE_EQ(coverage["items"][0]["firstSeenSeconds"].number, 1.5);
    EXPECT_FALSE(coverage["items"][2]["required"].boolean);

    ASSERT_EQ(root["outputTest"].array.size(), 3u);
    EXPECT_EQ(root["outputTest"][1]["step"].text, kHostile);
    EXPECT_EQ(root["outputTest"][1]["answer"].text, "n");
}

TEST(SessionReport, HtmlEscapesThePanelsTextAndMarksWhatWasNotSeen) {
    const std::string html = sessionReportHtml(sampleReport());
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_EQ(html.find('\x01'), std::string::npos);
    EXPECT_EQ(html.find('\xe9'), std::string::npos);
    std::size_t escaped = 0;
    for (std::size_t at = html.find(kHostileHtml); at != std::string::npos;
         at = html.find(kHostileHtml, at + 1)) {
        ++escaped;
    }
    EXPECT_EQ(escaped, 3u) << "mainboard, module name and output step";
    EXPECT_NE(html.find("<span class=\"value missing\">lit</span>"), std::string::npos);
    EXPECT_NE(html.find(">off</span>"), std::string::npos);
    EXPECT_EQ(html.find("value missing\">off"), std::string::npos);
    EXPECT_NE(html.find("<p class=\"banner fail\">FAIL</p>"), std::string::npos);
    EXPECT_NE(html.find("31.3 s"), std::string::npos);
    // The module that did not announce itself is named, not checked.
    EXPECT_NE(html.find("announce themselves: Single - Panel 1."), std::string::npos);
}

TEST_F(ReportFiles, WritesBothFiles) {
    const SessionReport report = sampleReport();
    for (const std::string name : {"report.json", "page.html"}) {
        SCOPED_TRACE(name);
        const std::string path = (dir / name).string();
        std::string error;
        ASSERT_TRUE(writeSessionReport(report, path, error)) << error;
        const SessionReportPaths paths = sessionReportPaths(path);
        EXPECT_EQ(readFile(paths.json), sessionReportJson(report));
        EXPECT_EQ(readFile(paths.html), sessionReportHtml(report));
    }
}

TEST_F(ReportFiles, AWriteErrorNamesTheFile) {
    const std::string path = (dir / "no-such-folder" / "report.json").string();
    std::string error = "";
    EXPECT_FALSE(writeSessionReport(sampleReport(), path, error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;

    error.clear();
    EXPECT_FALSE(writeSessionReport(sampleReport(), dir.string(), error));  // a folder
    EXPECT_NE(error.find(dir.string()), std::string::npos) << error;
}

TEST(SessionReport, ModulesAndCoverageComeFromTheRegistryAndTheTracker) {
    ModuleRegistry registry;
    registry.entries[99].present = 1;
    registry.entries[99].version = 2;
    std::fill(std::begin(registry.entries[99].name), std::end(registry.entries[99].name), 'A');
    registry.entries[16].version = 3;  // a version without the module announced
    ReportState state;
    state.receivedSlots[36] = 1;
    state.receivedSlots[0] = 1;
    CoverageTracker tracker;
    std::vector<int> seen;
    tracker.observe(state, registry, 4.0, seen);

    const std::vector<SessionReport::Module> modules = announcedModules(registry);
    ASSERT_EQ(modules.size(), 1u);
    EXPECT_EQ(modules[0].type, 99);
    EXPECT_EQ(modules[0].version, 2);
    EXPECT_EQ(modules[0].name, std::string(kModuleNameSize, 'A'));  // no terminator: cut at the end

    SessionReport report;
    addCoverage(report, tracker);
    EXPECT_TRUE(report.coverageRun);
    ASSERT_EQ(report.required.size(), report.coverage.size());
    int required = 0;
    for (std::size_t i = 0; i < report.coverage.size(); ++i) {
        required += report.required[i] ? 1 : 0;
        EXPECT_EQ(report.required[i],
                  report.coverage[i].slot >= 36 && report.coverage[i].slot <= 39);
    }
    EXPECT_EQ(required, tracker.requiredCount());
    JsonValue root;
    ASSERT_TRUE(JsonReader(sessionReportJson(report)).read(root));
    EXPECT_EQ(root["coverage"]["seen"].number,
              1);  // the horn; slot 0 belongs to no announced module
}

#if !defined(_WIN32)
TEST(SessionReport, LocalTimeCarriesItsOffsetFromUtc) {
    const char* saved = std::getenv("TZ");
    const std::string previous = saved != nullptr ? saved : "";
    const struct {
        const char* zone;  // POSIX form: the offset is west of Greenwich
        std::time_t when;
        const char* text;
    } cases[] = {
        {"UTC0", 1704067200, "2024-01-01T00:00:00+00:00"},
        {"EST5", 1704067200, "2023-12-31T19:00:00-05:00"},
        {"IST-5:30", 1704067200, "2024-01-01T05:30:00+05:30"},
        {"NZST-12", 1719791999, "2024-07-01T11:59:59+12:00"},
        {"NST3:30", 1709251200, "2024-02-29T20:30:00-03:30"},
    };
    for (const auto& c : cases) {
        setenv("TZ", c.zone, 1);
        tzset();
        EXPECT_EQ(localIsoTime(c.when), c.text) << c.zone;
    }
    if (saved != nullptr) {
        setenv("TZ", previous.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}
#endif

}  // namespace
