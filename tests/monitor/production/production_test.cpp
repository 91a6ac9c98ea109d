// The production record's files: the unit serial and its file form, report names in the report
// folder, and attempt numbers read from the reports already there (damaged ones included).
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "monitor/production/report_fields.h"
#include "monitor/production/report_folder.h"
#include "monitor/production/unit_serial.h"

namespace {

namespace fs = std::filesystem;

TEST(UnitSerial, TrimmedAndCheckedThenMadeSafeForAFileName) {
    const struct {
        std::string typed;
        const char* unit;  // null: refused
        const char* stem;
    } cases[] = {
        {"ZR8-00412", "ZR8-00412", "ZR8-00412"},
        {"  ZR8_7\r\n", "ZR8_7", "ZR8_7"},
        {"../../etc/passwd", "../../etc/passwd", "______etc_passwd"},
        {"..", "..", "__"},
        {"C:\\units\\A 1", "C:\\units\\A 1", "C__units_A_1"},
        {"x.json", "x.json", "x_json"},
        {"a<b>|c?*\"", "a<b>|c?*\"", "a_b__c___"},
        {"\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3\xa9", "__t__"},
        {std::string(64, 'U'), "UUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUU",
         "UUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUUU"},
        {std::string(65, 'U'), nullptr, nullptr},
        {"", nullptr, nullptr},
        {" \t\r\n", nullptr, nullptr},
        {"A\x01"
         "B",
         nullptr, nullptr},
        {"A\x7f", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        std::string unit = "unchanged";
        std::string error;
        const bool taken = checkUnitSerial(c.typed, unit, error);
        EXPECT_EQ(taken, c.unit != nullptr) << c.typed;
        if (c.unit == nullptr) {
            EXPECT_EQ(unit, "unchanged");
            EXPECT_FALSE(error.empty());
            EXPECT_EQ(error.find('\n'), std::string::npos) << error;
            continue;
        }
        EXPECT_EQ(unit, c.unit);
        EXPECT_EQ(unitFileStem(unit), c.stem) << c.typed;
    }
}

TEST(ReportFields, OnlyAWholeWellFormedObjectIsRead) {
    ReportFields fields;
    ASSERT_TRUE(readReportFields(
        " {\"a\":[1,{\"b\":null}],\"unit\":\"Z\\u0041\\\"1\",\"x\":-1.5e3,\"attempt\":3}\n",
        fields));
    EXPECT_TRUE(fields.hasUnit);
    EXPECT_EQ(fields.unit, "ZA\"1");
    EXPECT_TRUE(fields.hasAttempt);
    EXPECT_EQ(fields.attempt, 3.0);
    const std::string deep = "{\"unit\":\"Z\",\"n\":" + std::string(100000, '[');
    for (const std::string& damaged :
         {std::string("{\"unit\":\"Z\",\"attempt\":3"), std::string("{\"unit\":\"Z\"} x"),
          std::string("{\"unit\":\"Z\",\"attempt\":03}"), std::string("{\"unit\":\"Z\x01\"}"),
          std::string("[1]"), std::string(""), std::string("{\"unit\":\"\\u00G1\"}"),
          std::string("{\"unit\":\"Z\",}"), deep, std::string("\0\0\0", 3)}) {
        EXPECT_FALSE(readReportFields(damaged, fields)) << damaged.substr(0, 40);
    }
}

TEST(ReportFolder, ReportNamesOfAUnit) {
    EXPECT_TRUE(isReportFileName("A-1-20240502-140312.json", "A-1"));
    EXPECT_TRUE(isReportFileName("A-1-20240502-140312-12.json", "A-1"));
    EXPECT_FALSE(isReportFileName("A-1-20240502-140312.html", "A-1"));
    EXPECT_FALSE(isReportFileName("A-1-B-20240502-140312.json", "A-1"));  // unit A-1-B
    EXPECT_FALSE(isReportFileName("A-1-2024050-1403120.json", "A-1"));
    EXPECT_FALSE(isReportFileName("A-1-20240502-140312-.json", "A-1"));
    EXPECT_FALSE(isReportFileName("A-1-20240502-140312-x.json", "A-1"));
    EXPECT_FALSE(isReportFileName("A-1.json", "A-1"));
}

class ReportFolderTest : public ::testing::Test {
  protected:
    ReportFolderTest() {
        std::random_device random;
        dir = fs::temp_directory_path() / ("zr8-report-folder-" + std::to_string(random()));
    }
    ~ReportFolderTest() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    void file(const std::string& name, const std::string& content) {
        fs::create_directories(dir);
        std::ofstream(dir / name, std::ios::binary) << content;
    }
    static std::string report(const std::string& unit, const std::string& attempt) {
        return "{\"startedAt\":\"x\",\"unit\":\"" + unit + "\",\"attempt\":" + attempt +
               ",\"coverage\":{\"items\":[]}}\n";
    }
    int attempt(const std::string& unit) {
        int number = -1;
        std::string error;
        EXPECT_TRUE(nextAttempt(dir.string(), unit, number, error)) << error;
        return number;
    }
    fs::path dir;
};

TEST_F(ReportFolderTest, AttemptsCountTheUnitsOwnReportsOnly) {
    EXPECT_EQ(attempt("ZR8-1"), 1);  // no folder yet
    fs::create_directories(dir);
    EXPECT_EQ(attempt("ZR8-1"), 1);
    file("ZR8-1-20240502-140312.json", report("ZR8-1", "1"));
    file("ZR8-1-20240502-150000.json", report("ZR8-1", "2"));
    file("ZR8-2-20240502-150000.json", report("ZR8-2", "7"));  // another unit
    file("ZR8_1-20240502-150000.json", report("ZR8.1", "9"));  // another unit, same file form
    file("ZR8-1-20240502-150000.html", "<html>");
    file("notes.txt", "attempt 40");
    EXPECT_EQ(attempt("ZR8-1"), 3);
    EXPECT_EQ(attempt("ZR8-2"), 8);
    EXPECT_EQ(attempt("ZR8.1"), 10);
    EXPECT_EQ(attempt("ZR8-3"), 1);
}

TEST_F(ReportFolderTest, ADamagedReportNeverLowersTheNumber) {
    file("U-20240502-140312.json", report("U", "1"));
    file("U-20240502-140313.json", report("U", "2"));
    file("U-20240502-140314.json", report("U", "3").substr(0, 30));  // cut short
    EXPECT_EQ(attempt("U"), 4);
    file("U-20240502-140315.json", "");                    // claimed, never written
    file("U-20240502-140316.json", report("U", "1e300"));  // not believed
    file("U-20240502-140317.json", report("U", "-4"));
    file("U-20240502-140318.json", report("U", "2.5"));
    file("U-20240502-140319.json", std::string(5000, '['));
    fs::create_directories(dir / "U-20240502-140320.json");  // a folder of that name
    EXPECT_EQ(attempt("U"), 10);
    // A report with a high but believable attempt sets the number.
    file("U-20240502-140321.json", report("U", "40"));
    EXPECT_EQ(attempt("U"), 41);
}

TEST_F(ReportFolderTest, TwoReportsInTheSameSecondGetTwoNames) {
    std::time_t start = std::time(nullptr);
    std::string first;
    std::string second;
    std::string third;
    std::string error;
    ASSERT_TRUE(claimReportPath((dir / "new" / "folder").string(), "A/1", start, first, error))
        << error;
    ASSERT_TRUE(claimReportPath((dir / "new" / "folder").string(), "A/1", start, second, error))
        << error;
    EXPECT_NE(first, second);
    EXPECT_EQ(fs::path(first).parent_path(), dir / "new" / "folder");
    EXPECT_TRUE(isReportFileName(fs::path(first).filename().string(), "A_1"));
    EXPECT_TRUE(isReportFileName(fs::path(second).filename().string(), "A_1"));
    EXPECT_EQ(fs::path(second).filename().string().substr(19), "-2.json");
    // An HTML page left alone also holds its name.
    std::ofstream(fs::path(second).replace_filename(fs::path(first).stem().string() + "-3.html"))
        << "x";
    ASSERT_TRUE(claimReportPath((dir / "new" / "folder").string(), "A/1", start, third, error));
    EXPECT_EQ(fs::path(third).filename().string().substr(19), "-4.json");

    file("blocker", "a file, not a folder");
    std::string none;
    EXPECT_FALSE(claimReportPath((dir / "blocker").string(), "A", start, none, error));
    EXPECT_NE(error.find("blocker"), std::string::npos) << error;
}

}  // namespace
