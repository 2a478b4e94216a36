// vitrinel: one index page over every album the receiver has saved.
//   vitrinel                                        the dialog
//   vitrinel --generate [--style MODULE:NUMBER]     writes the page without a
//                                                   window and prints its path

#include "Exhibition.h"
#include "VitrinelDialog.h"
#include "VitrinelTexts.h"

#include "platform/QtTranslations.h"
#include "platform/ProductInfo.h"
#include "styles/dialog/MessageBoxes.h"

#include <QApplication>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

namespace {

using vitrinel::Exhibition;

std::string onTerminal(const std::string& text)
{
    return dialogs::displayText(text).toStdString();
}

void printStyles(std::ostream& out, const Exhibition& exhibition)
{
    for (const styles::VTStyleChoice& choice : exhibition.choices())
        out << "  " << exhibition.choiceName(choice) << "  " << choice.name << "  " << choice.description << '\n';
}

void printUsage(std::ostream& out, const Exhibition* exhibition)
{
    out << "使い方: vitrinel [--generate [--style MODULE:NUMBER]]\n"
           "\n"
           "  (なし)                 ウィンドウを開きます\n"
           "  --generate             受信した写真集の一覧ページを作成し、そのパスを表示します\n"
           "                         (ウィンドウもディスプレイも使いません)\n"
           "  --style MODULE:NUMBER  使うスタイル (MODULE はモジュールのファイル名から拡張子を\n"
           "                         除いたもの、NUMBER はスタイル番号。既定は最初のスタイル)\n"
           "  --help                 この説明を表示します\n";
    if (exhibition) {
        out << "\nスタイル:\n";
        printStyles(out, *exhibition);
    }
}

struct Options {
    bool generate = false;
    bool help = false;
    std::optional<std::string> style;
    const char* unknown = nullptr;
};

// 0 when parsed, else the exit status of a usage error.
int parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--generate") == 0) {
            options.generate = true;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            options.help = true;
        } else if (std::strcmp(argv[i], "--style") == 0 && i + 1 < argc) {
            options.style = argv[++i];
        } else if (std::strncmp(argv[i], "--style=", 8) == 0) {
            options.style = argv[i] + 8;
        } else if (!options.unknown) {
            options.unknown = argv[i];
        }
    }
    // The window leaves what it does not know to Qt (-platform and such).
    if (options.generate && options.unknown) {
        std::cerr << "不明な引数です: " << options.unknown << "\n\n";
        return 2;
    }
    if (options.style && !options.generate) {
        std::cerr << "--style は --generate と一緒に使います\n\n";
        return 2;
    }
    return 0;
}

int generate(const Options& options)
{
    const std::string saveRoot = Exhibition::storedSaveRoot();
    if (saveRoot.empty()) {
        std::cerr << onTerminal(vitrinel::texts::noSaveRoot) << '\n';
        return 1;
    }
    Exhibition exhibition(saveRoot);
    exhibition.loadModules();

    std::optional<styles::VTStyleChoice> choice;
    if (options.style) {
        const std::string& text = *options.style;
        const auto colon = text.rfind(':');
        char* end = nullptr;
        const long number = colon == std::string::npos ? -1 : std::strtol(text.c_str() + colon + 1, &end, 10);
        if (colon != std::string::npos && colon > 0 && end && *end == '\0' && end != text.c_str() + colon + 1
            && number >= 0 && number < 1000)
            choice = exhibition.findChoice(text.substr(0, colon), static_cast<int>(number));
        if (!choice) {
            std::cerr << "スタイルがありません: " << text << "\n使えるスタイル:\n";
            printStyles(std::cerr, exhibition);
            return 2;
        }
    } else {
        const auto all = exhibition.choices();
        if (!all.empty())
            choice = all.front();
    }

    const vitrinel::CreateResult result = exhibition.create(choice);
    if (result.outcome != vitrinel::CreateResult::Outcome::Created) {
        std::cerr << onTerminal(result.message) << '\n';
        return 1;
    }
    std::cout << result.page << '\n';
    return 0;
}

int runDialog(int argc, char** argv)
{
    QApplication application(argc, argv);
    platform::QtTranslations qtTranslations;
    QApplication::setApplicationName(QString::fromUtf8(vitrinel::texts::programName));
    QApplication::setApplicationVersion(QString::fromUtf8(vitrinel::texts::version));
    QApplication::setDesktopFileName(QStringLiteral("vitrinel"));

    const std::string saveRoot = Exhibition::storedSaveRoot();
    if (!vitrinel::VitrinelDialog::checkSaveRoot(saveRoot))
        return 1;
    Exhibition exhibition(saveRoot);
    exhibition.loadModules();
    vitrinel::VitrinelDialog dialog(exhibition);
    dialog.show();
    return application.exec();
}

} // namespace

int main(int argc, char** argv)
{
    if (product::answeredVersionQuestion(argc, argv, "vitrinel"))
        return 0;
    Options options;
    if (const int usage = parse(argc, argv, options)) {
        printUsage(std::cerr, nullptr);
        return usage;
    }
    if (options.help) {
        Exhibition exhibition(Exhibition::storedSaveRoot());
        exhibition.loadModules();
        printUsage(std::cout, &exhibition);
        return 0;
    }
    if (options.generate)
        return generate(options);
    return runDialog(argc, argv);
}
