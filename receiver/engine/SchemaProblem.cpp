#include "receiver/engine/SchemaProblem.h"

#include "receiver/engine/ReceiveTexts.h"

#include "guidepost/TCXML.h"
#include "receiver/reports/PageText.h"

#include <filesystem>

namespace receive {

std::string SchemaProblem::text(int kind)
{
    const std::filesystem::path path = TCXML::SchemaPath(kind);
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec))
        return reports::fill(texts::schemaUnreadable, {path.string()});
    return reports::fill(texts::schemaMissing, {TCXML::SchemaFileOf(kind), path.parent_path().string()});
}

} // namespace receive
