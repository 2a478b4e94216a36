#pragma once
// Styles as the terminal names them: "MODULE:NUMBER", MODULE being the
// module's file name without its extension (GMSNorm).

#include "styles/host/GMStyleHost.h"

#include <optional>
#include <string>

namespace cli {

std::string moduleFileStem(const styles::GMStyleModule& module);
std::string styleName(const styles::GMStyleHost& host, const styles::StyleChoice& choice);
// The style `text` names among the host's choices; nothing when none.
std::optional<styles::StyleChoice> findStyle(const styles::GMStyleHost& host, const std::string& text);

} // namespace cli
