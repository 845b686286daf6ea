#pragma once
// A key of the per-user settings store. On Linux the key "SOFTWARE\Brindlewick\Tressel" of the current
// user is the QSettings file of organisation "Brindlewick" and application "Tressel"
// (~/.config/Brindlewick/Tressel.conf); on Windows it is that registry key.

#include <memory>
#include <string>

class QSettings;

enum class RegistryHive { CurrentUser };

class CRegistryKey {
public:
    CRegistryKey();
    ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    bool Open(RegistryHive hive, const std::string& subKey);
    bool Close();
    // False when no key is open or the value is missing (the text is then empty if a key was open).
    bool ReadString(const std::string& name, std::string& text);
    bool WriteString(const std::string& name, const std::string& text);

    static bool CreateKey(RegistryHive hive, const std::string& subKey, const std::string& classText);

private:
    bool QueryValue(const std::string& name, std::string& data);
    bool SetValue(const std::string& name, const std::string& data);

    std::unique_ptr<QSettings> m_key;
};

// The key path under which Tressel keeps its settings.
inline constexpr const char* kTresselSettingsKey = "SOFTWARE\\Brindlewick\\Tressel";
