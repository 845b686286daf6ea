#pragma once
// What a window remembers between runs (its size and place, its options), each window under its own key
// of the settings store: "SOFTWARE\Brindlewick\Tressel\<name>". A store that cannot be written only
// means nothing is remembered.

#include <string>

class QWidget;

namespace tressel {

class WindowSettings {
public:
    explicit WindowSettings(std::string name);

    bool ReadBool(const std::string& value, bool fallback) const;
    void WriteBool(const std::string& value, bool on);
    std::string ReadString(const std::string& value) const;
    void WriteString(const std::string& value, const std::string& text);

    // Puts the window where SaveGeometry found it; false (the window untouched) when nothing was saved.
    bool RestoreGeometry(QWidget& window) const;
    void SaveGeometry(const QWidget& window);

private:
    std::string m_key;
};

}  // namespace tressel
