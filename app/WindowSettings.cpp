#include "app/WindowSettings.h"

#include <QByteArray>
#include <QWidget>

#include "app/RegistryKey.h"

namespace tressel {

WindowSettings::WindowSettings(std::string name) : m_key(std::string(kTresselSettingsKey) + "\\" + name) {}

std::string WindowSettings::ReadString(const std::string& value) const {
    CRegistryKey key;
    std::string text;
    if (key.Open(RegistryHive::CurrentUser, m_key)) {
        key.ReadString(value, text);
    }
    return text;
}

void WindowSettings::WriteString(const std::string& value, const std::string& text) {
    CRegistryKey key;
    if (!key.Open(RegistryHive::CurrentUser, m_key)) {
        if (!CRegistryKey::CreateKey(RegistryHive::CurrentUser, m_key, value) ||
            !key.Open(RegistryHive::CurrentUser, m_key)) {
            return;
        }
    }
    key.WriteString(value, text);
}

bool WindowSettings::ReadBool(const std::string& value, bool fallback) const {
    const std::string text = ReadString(value);
    return text.empty() ? fallback : text == "1";
}

void WindowSettings::WriteBool(const std::string& value, bool on) {
    WriteString(value, on ? "1" : "0");
}

bool WindowSettings::RestoreGeometry(QWidget& window) const {
    const std::string saved = ReadString("Geometry");
    return !saved.empty() && window.restoreGeometry(QByteArray::fromBase64(QByteArray::fromStdString(saved)));
}

void WindowSettings::SaveGeometry(const QWidget& window) {
    WriteString("Geometry", window.saveGeometry().toBase64().toStdString());
}

}  // namespace tressel
