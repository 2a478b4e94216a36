#pragma once
// One attribute of an element, as the wrapper hands it out.

#include "guidepost/Export.h"

#include <string>

struct _xmlAttr;

class CVCLIB_EXPORT TCXMLAttr {
public:
    TCXMLAttr() = default;
    explicit TCXMLAttr(_xmlAttr* attr) : attr_(attr) {}

    bool IsNull() const { return attr_ == nullptr; }
    std::string Name() const;
    // The attribute's value (UTF-8); empty for a null attribute.
    std::string Value() const;
    _xmlAttr* Handle() const { return attr_; }

private:
    _xmlAttr* attr_ = nullptr;
};
