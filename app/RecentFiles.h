#pragma once
// The files the user opened last, newest first, kept in the settings store under
// "SOFTWARE\Brindlewick\Tressel\RecentFiles" as <kind>1 .. <kind>8 (the remembered names of the file
// dialogs keep their own keys). A store that cannot be read or written gives an empty list, silently.

#include <functional>
#include <string>
#include <vector>

class QMenu;
class QString;

namespace tressel {

class RecentFiles {
public:
    static constexpr int kLength = 8;

    // `kind` names the list in the store: "Audio" or "Filter".
    explicit RecentFiles(std::string kind);

    std::vector<std::string> Entries() const;
    // Puts `path` first, once, and forgets the oldest beyond kLength.
    void Add(const std::string& path);
    void Remove(const std::string& path);
    // The entries whose files are still there; the others are dropped from the store.
    std::vector<std::string> ExistingEntries();

private:
    void Store(const std::vector<std::string>& entries);

    std::string m_kind;
};

// A submenu of `menu` titled `title` with the existing entries of `files`; choosing one calls `open` with
// its path. Disabled when the list is empty.
QMenu* AddRecentFilesMenu(QMenu& menu, const QString& title, RecentFiles& files,
                          const std::function<void(const std::string&)>& open);

}  // namespace tressel
