// The two members of an earlier report that attempt numbering reads: "unit" and "attempt". The
// file is untrusted (an earlier run may have been killed while writing it, or anyone may have
// edited it): the whole document must be well-formed JSON, read without recursion beyond a
// fixed depth, or it is not read at all.
#pragma once

#include <string>

struct ReportFields {
    bool hasUnit = false;
    std::string unit;
    bool hasAttempt = false;
    double attempt = 0.0;
};

// false when the text is not one well-formed JSON object.
bool readReportFields(const std::string& text, ReportFields& fields);
