#include "app/RecentFiles.h"

#include <QMenu>
#include <algorithm>
#include <filesystem>

#include "app/WindowSettings.h"

namespace tressel {

namespace {

WindowSettings RecentFilesStore() {
    return WindowSettings("RecentFiles");
}

}  // namespace

RecentFiles::RecentFiles(std::string kind) : m_kind(std::move(kind)) {}

std::vector<std::string> RecentFiles::Entries() const {
    const WindowSettings store = RecentFilesStore();
    std::vector<std::string> entries;
    for (int i = 1; i <= kLength; ++i) {
        std::string path = store.ReadString(m_kind + std::to_string(i));
        if (!path.empty() && std::find(entries.begin(), entries.end(), path) == entries.end()) {
            entries.push_back(std::move(path));
        }
    }
    return entries;
}

void RecentFiles::Store(const std::vector<std::string>& entries) {
    WindowSettings store = RecentFilesStore();
    for (int i = 1; i <= kLength; ++i) {
        const auto index = static_cast<std::size_t>(i - 1);
        store.WriteString(m_kind + std::to_string(i), index < entries.size() ? entries[index] : std::string());
    }
}

void RecentFiles::Add(const std::string& path) {
    std::vector<std::string> entries = Entries();
    entries.erase(std::remove(entries.begin(), entries.end(), path), entries.end());
    entries.insert(entries.begin(), path);
    entries.resize(std::min<std::size_t>(entries.size(), kLength));
    Store(entries);
}

void RecentFiles::Remove(const std::string& path) {
    std::vector<std::string> entries = Entries();
    const auto gone = std::remove(entries.begin(), entries.end(), path);
    if (gone != entries.end()) {
        entries.erase(gone, entries.end());
        Store(entries);
    }
}

std::vector<std::string> RecentFiles::ExistingEntries() {
    const std::vector<std::string> entries = Entries();
    std::vector<std::string> existing;
    for (const std::string& path : entries) {
        std::error_code error;
        if (std::filesystem::is_regular_file(path, error)) {
            existing.push_back(path);
        }
    }
    if (existing.size() != entries.size()) {
        Store(existing);
    }
    return existing;
}

QMenu* AddRecentFilesMenu(QMenu& menu, const QString& title, RecentFiles& files,
                          const std::function<void(const std::string&)>& open) {
    QMenu* submenu = menu.addMenu(title);
    const std::vector<std::string> entries = files.ExistingEntries();
    submenu->setEnabled(!entries.empty());
    int number = 0;
    for (const std::string& path : entries) {
        // The number is the entry's key; a literal "&" in a path must not become one.
        QString text = QString::fromStdString(path);
        text.replace("&", "&&");
        QAction* entry = submenu->addAction(QString("&%1 %2").arg(++number).arg(text));
        QObject::connect(entry, &QAction::triggered, submenu, [open, path] { open(path); });
    }
    return submenu;
}

}  // namespace tressel
