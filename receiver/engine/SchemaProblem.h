#pragma once
// What is wrong with a schema file the documents are validated against:
// which file, and where it was looked for.

#include <string>

namespace receive {

class SchemaProblem {
public:
    // The line for a document of kind (TCXML::Kind) that could not be
    // validated for want of its schema: the file missing from the folder it
    // was looked for in, or there but unreadable.
    static std::string text(int kind);
};

} // namespace receive
