#include "platform/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace platform {

QtTranslations::QtTranslations()
{
    // Japanese whatever the desktop's language: every text of the programs is.
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    // "qt" names the catalogues of every Qt module the programs use.
    translator_ = std::make_unique<QTranslator>();
    installed_ = translator_->load(japanese, QStringLiteral("qt"), QStringLiteral("_"), folder())
                 && QCoreApplication::installTranslator(translator_.get());
}

QtTranslations::~QtTranslations()
{
    if (installed_)
        QCoreApplication::removeTranslator(translator_.get());
}

QString QtTranslations::folder()
{
    return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

} // namespace platform
