// Reading yosys's JSON netlists: the small lookups every reader of them needs
// (the word-level importer, the scan-readiness checks, the gate-level fault
// simulator), written once.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace yosys_json {

using json = nlohmann::json;

// The member `key` of an object; nullptr when `obj` is no object or lacks it.
const json* member(const json& obj, const char* key);

// A parameter or attribute as a number: a binary digit string ('x' and 'z'
// read as 0) or a JSON integer; `fallback` when it is neither.
long numberOf(const json* v, long fallback);

// True when an attribute is present and not zero.
bool truthy(const json* v);

// "file.v:12" from a source attribute ("dir/file.v:12.3-12.9|..."): the first
// part with a line number wins; empty when there is none.
std::string sourceLocation(std::string_view src);

// sourceLocation() of a cell's or net's "src" attribute; empty without one.
std::string originOf(const json& object);

// True for a module marked as a black or white box (no body to read).
bool isBlackBox(const json& module);

// The module a cell of type `type` instantiates: `type` itself, or the module
// of a parameterised copy ("$paramod\\adder\\W=..." gives "adder").
std::string moduleOfCellType(const std::string& type);

// The top module candidates of a "modules" object: the modules marked top,
// else those no other module instantiates (black boxes never count).
std::vector<std::string> topCandidates(const json& modules);

}  // namespace yosys_json
