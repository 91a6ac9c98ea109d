// The JSON that zr8-decode prints: exact shape, and texts escaped so any stream stays valid JSON.
#include <gtest/gtest.h>

#include "protocol/report_state.h"
#include "text/text_escape.h"
#include "tools/zr8-decode/decode_report.h"

namespace {

TEST(DecodeReport, StartStateHasTheDocumentedShape) {
    reportState() = ReportState{};
    std::string slots;
    for (int i = 0; i < kSlotCount; ++i) {
        slots += i == 0 ? "-1" : ",-1";
    }
    EXPECT_EQ(decodeReportJson("-", {}),
              "{\"slots\":[" + slots +
                  "],\"trimCounter\":0,\"fullScale\":255.0,\"mainboard\":\"-\",\"modules\":[]}");
}

TEST(DecodeReport, CarriesValuesAndLinesInOrder) {
    reportState() = ReportState{};
    reportState().receivedSlots[0] = 1;
    reportState().receivedSlots[46] = 0;
    reportState().trimCounter = -12;
    reportState().fullScale = 1023.0f;
    const std::string json =
        decodeReportJson("17A-3-5", {"v3  -  ORVAN ZR8 Trim Modul", "v1  -  x"});
    EXPECT_EQ(json.rfind("{\"slots\":[1,-1,", 0), 0u) << json;
    EXPECT_NE(json.find(",0],\"trimCounter\":-12,\"fullScale\":1023.0,"), std::string::npos)
        << json;
    EXPECT_NE(json.find("\"mainboard\":\"17A-3-5\",\"modules\":[\"v3  -  ORVAN ZR8 Trim Modul\","
                        "\"v1  -  x\"]}"),
              std::string::npos)
        << json;
}

TEST(DecodeReport, EscapesEveryCharacterThatJsonForbidsOrThatIsNotAscii) {
    const std::pair<std::string, std::string> cases[] = {
        {"plain 17A-3-5", "\"plain 17A-3-5\""},
        {"quote\" back\\slash", "\"quote\\\" back\\\\slash\""},
        {std::string("nul\0x", 5), "\"nul\\u0000x\""},
        {"\x01\n\x1f", "\"\\u0001\\u000a\\u001f\""},
        {"\x7f\x80\xff", "\"\\u007f\\u0080\\u00ff\""},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(jsonString(text), expected);
    }
}

}  // namespace
