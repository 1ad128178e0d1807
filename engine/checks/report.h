// The check report as text (one line per finding, then the summary) and as
// the NAME.check.json document.
#pragma once

#include <string>

#include "checks/findings.h"

// One line: "RULE severity OBJECT LOCATION: message" ("-" for no location).
std::string findingLine(const Finding& f);

// Every finding, one line each, then the summary: scannable flip-flops and
// registers, the clock domains, and the findings per rule and per severity.
std::string checkReportText(const CheckReport& report);

// The JSON document of the report (docs/checks.md describes it).
std::string checkReportJson(const CheckReport& report, const std::string& version);
