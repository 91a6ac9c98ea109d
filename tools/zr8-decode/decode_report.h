// The JSON summary that zr8-decode prints of the decoder's final state.
#pragma once

#include <string>
#include <vector>

// {"slots":[...],"trimCounter":N,"fullScale":F,"mainboard":"...","modules":["..."]}
std::string decodeReportJson(const std::string& mainboard, const std::vector<std::string>& modules);
