#include "ProductInfo.h"

namespace product {

// The build gives it from the project's version, to this file only.
const char* const version = CV_PRODUCT_VERSION;

} // namespace product
