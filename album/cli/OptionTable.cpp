#include "album/cli/OptionTable.h"

#include <cstring>

namespace cli {

std::string ParsedOptions::value(const std::string& name, const std::string& otherwise) const
{
    auto found = values.find(name);
    return found == values.end() || found->second.empty() ? otherwise : found->second.back();
}

const std::vector<std::string>& ParsedOptions::all(const std::string& name) const
{
    static const std::vector<std::string> none;
    auto found = values.find(name);
    return found == values.end() ? none : found->second;
}

ParsedOptions parseOptions(const std::vector<OptionRule>& table, const std::vector<std::string>& args)
{
    ParsedOptions parsed;
    bool operandsOnly = false;
    for (std::size_t i = 0; i < args.size() && parsed.error.empty(); ++i) {
        const std::string& arg = args[i];
        if (operandsOnly || arg.empty() || arg[0] != '-' || arg == "-") {
            parsed.operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            operandsOnly = true;
            continue;
        }
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string name = arg.substr(0, equals);
        const OptionRule* rule = nullptr;
        for (const OptionRule& s : table)
            if (name == s.name)
                rule = &s;
        if (!rule) {
            parsed.error = arg + " を解釈できません";
            break;
        }
        std::string value;
        if (!rule->valueName) {
            if (equals != std::string::npos) {
                parsed.error = name + " には値をつけません";
                break;
            }
        } else if (equals != std::string::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            parsed.error = name + " に値がありません";
            break;
        }
        std::vector<std::string>& values = parsed.values[name];
        if (!rule->repeatable && !values.empty()) {
            parsed.error = name + " は一度だけ指定できます";
            break;
        }
        values.push_back(value);
    }
    return parsed;
}

void printOptions(std::FILE* out, const std::vector<OptionRule>& table)
{
    for (const OptionRule& s : table) {
        std::string left = std::string("  ") + s.name + (s.valueName ? std::string(" ") + s.valueName : "");
        if (left.size() < 28)
            left.append(28 - left.size(), ' ');
        else
            left += "\n" + std::string(28, ' ');
        std::fprintf(out, "%s%s%s\n", left.c_str(), s.help, s.repeatable ? "（繰り返し指定できます）" : "");
    }
    std::fprintf(out, "  %-26s%s\n", "--help", "この説明を表示します");
}

} // namespace cli
