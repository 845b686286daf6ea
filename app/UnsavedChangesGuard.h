#pragma once
// Stands between the user's unsaved samples and every command that would replace them or end the
// program (Quit, closing the window, Load Audio, Reload Audio, a dropped or recent audio file): it asks
// "Save changes to NAME?" and answers whether the command may go on.

#include <functional>
#include <string>

namespace tressel {

class UserDialogs;
class Workbench;

class UnsavedChangesGuard {
public:
    // `save` runs the window's "Save Audio" (the user may still cancel its file dialog).
    UnsavedChangesGuard(const Workbench& workbench, std::function<void()> save);

    // True when nothing unsaved would be lost: no changes, or the user discarded them, or saved them.
    // False when the user cancelled, or chose Save and the save was cancelled or failed.
    bool MayDiscardChanges(UserDialogs& dialogs) const;

private:
    const Workbench& m_workbench;
    std::function<void()> m_save;
};

// The file name the prompt and the window title show: the last part of the path.
std::string ShownFileName(const std::string& path);

}  // namespace tressel
