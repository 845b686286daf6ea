#include "app/UnsavedChangesGuard.h"

#include "app/UserDialogs.h"
#include "workbench/Workbench.h"

namespace tressel {

UnsavedChangesGuard::UnsavedChangesGuard(const Workbench& workbench, std::function<void()> save)
    : m_workbench(workbench), m_save(std::move(save)) {}

bool UnsavedChangesGuard::MayDiscardChanges(UserDialogs& dialogs) const {
    if (!m_workbench.IsModified()) {
        return true;
    }
    switch (dialogs.AskToSaveChanges(ShownFileName(m_workbench.DisplayName()))) {
    case SaveChangesAnswer::Discard:
        return true;
    case SaveChangesAnswer::Save:
        m_save();
        return !m_workbench.IsModified();
    case SaveChangesAnswer::Cancel:
        break;
    }
    return false;
}

std::string ShownFileName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace tressel
