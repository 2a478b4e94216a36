#include "ProductInfo.h"

#include <cstdio>
#include <cstring>

namespace product {

// The build gives it from the project's version, to this file only.
const char* const version = CV_PRODUCT_VERSION;

bool answeredVersionQuestion(int argc, char** argv, const char* programName)
{
    if (argc != 2 || std::strcmp(argv[1], "--version") != 0)
        return false;
    std::printf("%s %s\n", programName, version);
    return true;
}

} // namespace product
