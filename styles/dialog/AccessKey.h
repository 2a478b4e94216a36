#pragma once
// A control's label with its access key, as the family's menus show them:
// "保存(&S)" is drawn "保存(S)" and pressed with Alt+S.

#include <QString>

namespace dialogs {

inline QString withAccessKey(const QString& label, char key)
{
    return label + QStringLiteral("(&") + QLatin1Char(key) + QLatin1Char(')');
}

inline QString withAccessKey(const char* utf8Label, char key)
{
    return withAccessKey(QString::fromUtf8(utf8Label), key);
}

} // namespace dialogs
