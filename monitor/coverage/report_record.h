// The production record of a session report (which unit, who tested it where, which attempt,
// with which tool) and the profile check's module items, as parts of the JSON and HTML
// documents.
//
// JSON, after "passed":
//
//     "toolVersion":"1.4.0","endedAt":"2024-05-02T14:03:44+02:00",
//     "unit":"ZR8-00412","operator":"A. Berg","station":"Bench 2","attempt":2,"retest":true,
//     "profile":{"name":"Twin cockpit B","passed":false,"modules":[
//       {"type":98,"name":"ORVAN ZR8 PowerQuadrant Modul","rule":"required","minVersion":6,
//        "version":5,"outcome":"outdated","passed":false}, ...]}
//
// unit, operator and station are null when not given, attempt and retest when the run was not
// numbered (no report folder), profile when no profile was used. rule is "required",
// "optional" or "unexpected"; outcome is profileOutcomeWord(); version is null for a module
// that did not announce itself.
#pragma once

#include <string>
#include <vector>

#include "monitor/profile/profile_check.h"

struct ProductionRecord {
    std::string unit;          // the unit's serial as entered (untrusted), "" when not given
    std::string operatorName;  // "" when not given
    std::string station;       // "" when not given
    int attempt = 0;           // 1 first attempt, 2.. a retest; 0 not numbered
    std::string toolVersion;   // ZR8_VERSION
    std::string endedAt;       // local time, ISO 8601
};

struct ProfileRecord {
    bool run = false;  // the check ran against a profile
    std::string name;
    std::vector<ProfileItem> items;
};

// The JSON members above, starting with a comma: ",\"toolVersion\":...,\"profile\":...".
std::string productionRecordJson(const ProductionRecord& record, const ProfileRecord& profile);

// Rows of the HTML page's summary table (unit, attempt, operator, station, profile, tool
// version, end time), and the page's section of profile items ("" without a profile).
std::string productionRecordHtmlRows(const ProductionRecord& record, const ProfileRecord& profile);
std::string profileHtmlSection(const ProfileRecord& profile);

// "first attempt" or "retest" for an attempt number; "" when not numbered.
const char* attemptWord(int attempt);
