#pragma once
// A key of the per-user settings store. On Linux the key "SOFTWARE\Brindlewick\Tressel" of the current
// user is the QSettings file of organisation "Brindlewick" and application "Tressel"
// (~/.config/Brindlewick/Tressel.conf); on Windows it is that registry key.

#include <cstdint>
#include <memory>
#include <string>

class QSettings;

enum class RegistryHive { CurrentUser };

class CRegistryKey {
public:
    // The platform error codes the key reports as its last error.
    static constexpr std::uint32_t kSuccess = 0;
    static constexpr std::uint32_t kNotFound = 2;
    static constexpr std::uint32_t kAccessDenied = 5;
    static constexpr std::uint32_t kInvalidData = 13;

    CRegistryKey();
    ~CRegistryKey();
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    bool Open(RegistryHive hive, const std::string& subKey);
    bool Close();
    bool IsOpen() const { return m_key != nullptr; }
    bool QueryValue(const std::string& name, std::string& data);
    bool ReadString(const std::string& name, std::string& text, std::uint32_t* error = nullptr);
    bool WriteString(const std::string& name, const std::string& text, std::uint32_t* error = nullptr);
    bool SetValue(const std::string& name, const std::string& data);
    std::uint32_t LastError() const { return m_lastError; }

    static bool CreateKey(RegistryHive hive, const std::string& subKey, const std::string& classText);

private:
    std::unique_ptr<QSettings> m_key;
    std::uint32_t m_lastError = kSuccess;
};

// The key path under which Tressel keeps its settings.
inline constexpr const char* kTresselSettingsKey = "SOFTWARE\\Brindlewick\\Tressel";
