#pragma once
// What a keyboard user meets in a window: every button, and every label
// that names a field, carries an access key, and no key is taken twice.

#include <QAbstractButton>
#include <QLabel>
#include <QMap>
#include <QStringList>
#include <QWidget>

#include <string>

namespace widgettest {

// Controls without a key and keys taken twice, among the controls of
// `window` itself that it shows (a dialog it owns is a window of its own);
// empty when there are none.
inline std::string accessKeyProblems(const QWidget* window)
{
    QStringList problems;
    QMap<QChar, QString> taken;
    auto check = [&](const QWidget* control, const QString& text) {
        if (control->window() != window || !control->isVisibleTo(window) || text.isEmpty())
            return;
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        if (at < 0 || at + 1 >= text.size()) {
            problems << QStringLiteral("no key: ") + text;
            return;
        }
        const QChar key = text[at + 1].toUpper();
        if (taken.contains(key))
            problems << QStringLiteral("%1 twice: %2, %3").arg(key).arg(taken[key], text);
        taken[key] = text;
    };
    for (const QAbstractButton* button : window->findChildren<QAbstractButton*>())
        check(button, button->text());
    for (const QLabel* label : window->findChildren<QLabel*>())
        if (label->buddy())
            check(label, label->text());
    return problems.join(QStringLiteral("; ")).toStdString();
}

} // namespace widgettest
