#include "CommandLine.h"

#include <QCommandLineParser>
#include <QStringList>

#include <cstring>

namespace platform {

namespace {

// Arguments go to the parser byte for byte as Latin-1, and come back the
// same way: a file name that is not UTF-8 still names its file.
QString toParser(const std::string& text)
{
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string fromParser(const QString& text)
{
    return text.toLatin1().toStdString();
}

QString bareName(const char* name)
{
    while (*name == '-')
        ++name;
    return QString::fromLatin1(name);
}

// "--name" of "--name=value".
std::string nameOf(const std::string& argument)
{
    return argument.substr(0, argument.find('='));
}

const CommandLineOption* find(const std::vector<CommandLineOption>& table, const std::string& name)
{
    for (const CommandLineOption& option : table)
        if (name == option.name)
            return &option;
    return nullptr;
}

// Calls look(argument, option) for every argument that names an option of
// the table, skipping the values given as the next argument and stopping at
// "--"; the first answer that is not empty is the error.
template <typename Look>
std::string firstOptionError(const std::vector<CommandLineOption>& table, const std::vector<std::string>& args,
                             Look look)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--")
            break;
        const CommandLineOption* option = find(table, nameOf(args[i]));
        if (!option)
            continue;
        std::string error = look(args[i], *option);
        if (!error.empty())
            return error;
        if (option->valueName && args[i] == option->name)
            ++i;
    }
    return {};
}

// What QCommandLineParser refused, in our words: an option it does not know,
// a flag with a value, or a value missing at the end.
std::string refusal(const QCommandLineParser& parser, const std::vector<CommandLineOption>& table,
                    const std::vector<std::string>& args)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString name = unknown.front();
        return (name.size() == 1 ? "-" : "--") + fromParser(name) + " を解釈できません";
    }
    std::string error = firstOptionError(table, args, [](const std::string& argument, const CommandLineOption& option) {
        return !option.valueName && argument.find('=') != std::string::npos
            ? std::string(option.name) + " に値は要りません"
            : std::string();
    });
    if (!error.empty())
        return error;
    if (!args.empty() && find(table, nameOf(args.back())))
        return nameOf(args.back()) + " に値がありません";
    return fromParser(parser.errorText());
}

} // namespace

std::string CommandLine::value(const std::string& name, const std::string& otherwise) const
{
    auto found = values.find(name);
    return found == values.end() || found->second.empty() ? otherwise : found->second.back();
}

const std::vector<std::string>& CommandLine::all(const std::string& name) const
{
    static const std::vector<std::string> none;
    auto found = values.find(name);
    return found == values.end() ? none : found->second;
}

CommandLine parseCommandLine(const std::vector<CommandLineOption>& table, const std::vector<std::string>& args)
{
    QCommandLineParser parser;
    const QCommandLineOption helpOption(QStringList {QStringLiteral("h"), QStringLiteral("help")});
    parser.addOption(helpOption);
    for (const CommandLineOption& option : table) {
        parser.addOption(QCommandLineOption(bareName(option.name), QString(),
                                            option.valueName ? QString::fromUtf8(option.valueName) : QString()));
    }
    QStringList arguments {QStringLiteral("program")};
    for (const std::string& arg : args)
        arguments.append(toParser(arg));

    CommandLine line;
    if (!parser.parse(arguments)) {
        line.error = refusal(parser, table, args);
        return line;
    }
    line.help = parser.isSet(helpOption);
    const QStringList given = parser.optionNames();
    for (const CommandLineOption& option : table) {
        const QString name = bareName(option.name);
        const qsizetype times = given.count(name);
        if (times == 0)
            continue;
        if (!option.repeatable && times > 1) {
            line.error = std::string(option.name) + " は一度だけ指定できます";
            return line;
        }
        std::vector<std::string>& kept = line.values[option.name];
        if (option.valueName) {
            for (const QString& value : parser.values(name))
                kept.push_back(fromParser(value));
        } else {
            kept.assign(static_cast<std::size_t>(times), std::string());
        }
    }
    line.error = firstOptionError(table, args, [](const std::string& argument, const CommandLineOption& option) {
        return option.valueAfterEquals && argument == option.name
            ? std::string(option.name) + " に値がありません（" + option.name + "=" + option.valueName + "）"
            : std::string();
    });
    for (const QString& operand : parser.positionalArguments())
        line.operands.push_back(fromParser(operand));
    return line;
}

std::string describeOptions(const std::vector<CommandLineOption>& table)
{
    constexpr std::size_t column = 28;
    std::string text;
    auto describe = [&](std::string left, const char* help, bool repeatable) {
        left = "  " + left;
        if (left.size() < column)
            left.append(column - left.size(), ' ');
        else
            left += "\n" + std::string(column, ' ');
        text += left + help + (repeatable ? "（繰り返し指定できます）" : "") + "\n";
    };
    for (const CommandLineOption& option : table) {
        std::string left = option.name;
        if (option.valueName)
            left += (option.valueAfterEquals ? "=" : " ") + std::string(option.valueName);
        describe(left, option.help, option.repeatable);
    }
    describe("--help", "この説明を表示します", false);
    return text;
}

} // namespace platform
