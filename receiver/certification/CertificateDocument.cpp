#include "CertificateDocument.h"

#include "guidepost/CAMException.h"
#include "guidepost/TCXML.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace {

bool number(const TCXMLNode& parent, const char* name, int& value)
{
    bool found = false;
    std::string text = parent.ChildText(name, found);
    if (!found || text.empty())
        return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || (*end != '\0' && *end != ' '))
        return false;
    value = static_cast<int>(v);
    return true;
}

} // namespace

bool CertificateDocument::load(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    return loadText(std::string(std::istreambuf_iterator<char>(in), {}));
}

bool CertificateDocument::loadText(const std::string& data)
{
    *this = CertificateDocument();
    // Validated against the certificate schema; the wrapper refuses a
    // DOCTYPE and never reaches the network.
    TCXML xml;
    try {
        xml.OpenMemory(data.data(), data.size(), TCXML::Certificate);
    } catch (const CAMException&) {
        return false;
    }
    TCXMLNode root = xml.Root();
    if (!root || root.Name() != rootName)
        return false;
    code = root.ChildText("code");
    version = root.ChildText("version");
    comment = root.ChildText("comment");
    if (TCXMLNode date = root.FirstChild("date")) {
        datePresent = true;
        dateComplete = number(date, "year", year) && number(date, "month", month) && number(date, "day", day);
    }
    if (TCXMLNode control = root.FirstChild("control")) {
        controlPresent = true;
        controlType = control.Attr("type");
        controlComment = control.ChildText("comment");
        for (TCXMLNode item = control.FirstChild("items").FirstChild("item"); item; item = item.NextSameName())
            items.push_back({item.Text(), item.Attr("type")});
    }
    return true;
}
