// The SQL dialect clients of the connection table send, taken to the
// engine's: DELETE * FROM, TOP n, #date# literals, "texts" in double quotes,
// & for joining texts, True and False, * and ? as LIKE wildcards.  Bracketed
// names, AS[Name] and keywords in any case the engine reads as they are.
#pragma once

#include <string>
#include <string_view>

namespace kb::data {

// The statement in the engine's dialect, as UTF-8.  A malformed date literal
// or an unsupported form (TOP n PERCENT) raises an error in the command.
std::string ToEngineSql(std::wstring_view sql);

}  // namespace kb::data
