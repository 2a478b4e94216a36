#include "Settings.h"

#include <QSettings>
#include <QString>

#include <cstdlib>

namespace platform {
namespace {

QString key(const std::string& section, const std::string& name)
{
    return QString::fromStdString(section) + QLatin1Char('/') + QString::fromStdString(name);
}

} // namespace

Settings::Settings()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Quillmere"), QStringLiteral("Corvandelle")))
{
}

Settings::~Settings() = default;

std::string Settings::getString(const std::string& section, const std::string& name,
                                const std::string& defaultValue) const
{
    QVariant v = settings_->value(key(section, name));
    if (!v.isValid())
        return defaultValue;
    return v.toString().toStdString();
}

void Settings::setString(const std::string& section, const std::string& name, const std::string& value)
{
    settings_->setValue(key(section, name), QString::fromStdString(value));
}

long long Settings::getInt(const std::string& section, const std::string& name, long long defaultValue) const
{
    QVariant v = settings_->value(key(section, name));
    if (!v.isValid())
        return defaultValue;
    return std::atoll(v.toString().toStdString().c_str());
}

void Settings::setInt(const std::string& section, const std::string& name, long long value)
{
    settings_->setValue(key(section, name), QString::number(value));
}

bool Settings::getBool(const std::string& section, const std::string& name, bool defaultValue) const
{
    QVariant v = settings_->value(key(section, name));
    if (!v.isValid())
        return defaultValue;
    return v.toString() == QLatin1String("yes");
}

void Settings::setBool(const std::string& section, const std::string& name, bool value)
{
    settings_->setValue(key(section, name), value ? QStringLiteral("yes") : QStringLiteral("no"));
}

std::string Settings::getBytes(const std::string& section, const std::string& name) const
{
    QByteArray b = settings_->value(key(section, name)).toByteArray();
    return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

void Settings::setBytes(const std::string& section, const std::string& name, const std::string& bytes)
{
    settings_->setValue(key(section, name), QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool Settings::contains(const std::string& section, const std::string& name) const
{
    return settings_->contains(key(section, name));
}

void Settings::remove(const std::string& section, const std::string& name)
{
    settings_->remove(key(section, name));
}

void Settings::removeSection(const std::string& section)
{
    settings_->remove(QString::fromStdString(section));
}

std::vector<std::string> Settings::names(const std::string& section) const
{
    std::vector<std::string> out;
    settings_->beginGroup(QString::fromStdString(section));
    for (const QString& k : settings_->childKeys())
        out.push_back(k.toStdString());
    settings_->endGroup();
    return out;
}

bool Settings::sync()
{
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}

void Settings::setStorageFolder(const std::string& folder)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(folder));
}

} // namespace platform
