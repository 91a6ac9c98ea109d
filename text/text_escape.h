// Escaping of text that came from the panel, for the report's JSON and HTML.
#pragma once

#include <string>

// A JSON string literal, quotes included: \" and \\ escaped, control characters and every byte
// outside ASCII as \u00XX, so that the document stays valid and plain ASCII whatever arrived.
std::string jsonString(const std::string& text);

// HTML text or attribute content: & < > " ' as character references, bytes outside ASCII as
// &#xXX; (read as Latin-1, like the JSON's \u00XX) and control characters as the visible text
// \xXX.
std::string htmlText(const std::string& text);
