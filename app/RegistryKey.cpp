#include "app/RegistryKey.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

namespace {

// "SOFTWARE\Organisation\Application" names the store of that organisation and application.
std::unique_ptr<QSettings> SettingsFor(const std::string& subKey) {
    const QStringList parts = QString::fromStdString(subKey).split('\\', Qt::SkipEmptyParts);
    if (parts.size() < 3 || parts[0].compare("SOFTWARE", Qt::CaseInsensitive) != 0) {
        return nullptr;
    }
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, parts[1],
                                       parts.mid(2).join('/'));
}

bool StoreExists(const QSettings& settings) {
    return QFileInfo::exists(settings.fileName());
}

bool StoreWritable(const QSettings& settings) {
    return QFileInfo(settings.fileName()).isWritable();
}

}  // namespace

CRegistryKey::CRegistryKey() = default;

CRegistryKey::~CRegistryKey() {
    Close();
}

bool CRegistryKey::Open(RegistryHive, const std::string& subKey) {
    Close();
    auto settings = SettingsFor(subKey);
    // The key is opened for every kind of access, so a store we may not write counts as unopenable.
    if (!settings || !StoreExists(*settings) || !StoreWritable(*settings)) {
        return false;
    }
    m_key = std::move(settings);
    return true;
}

bool CRegistryKey::Close() {
    if (!m_key) {
        return false;
    }
    m_key->sync();
    const bool closed = m_key->status() == QSettings::NoError;
    m_key.reset();
    return closed;
}

bool CRegistryKey::QueryValue(const std::string& name, std::string& data) {
    const QString key = QString::fromStdString(name);
    if (!m_key->contains(key)) {
        return false;
    }
    data = m_key->value(key).toString().toStdString();
    return true;
}

bool CRegistryKey::ReadString(const std::string& name, std::string& text) {
    if (!m_key) {
        return false;
    }
    text.clear();
    const bool read = QueryValue(name, text);
    if (!read) {
        text.clear();
    }
    return read;
}

bool CRegistryKey::WriteString(const std::string& name, const std::string& text) {
    return m_key && SetValue(name, text);
}

bool CRegistryKey::SetValue(const std::string& name, const std::string& data) {
    m_key->setValue(QString::fromStdString(name), QString::fromStdString(data));
    m_key->sync();
    return m_key->status() == QSettings::NoError;
}

bool CRegistryKey::CreateKey(RegistryHive, const std::string& subKey, const std::string&) {
    auto settings = SettingsFor(subKey);
    if (!settings) {
        return false;
    }
    if (StoreExists(*settings)) {
        return true;
    }
    const QFileInfo file(settings->fileName());
    if (!QDir().mkpath(file.absolutePath())) {
        return false;
    }
    QFile store(file.absoluteFilePath());
    return store.open(QIODevice::WriteOnly | QIODevice::Append);
}
