#include "app/QtUserDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>

#include "app/ProgressWindow.h"

namespace tressel {

namespace {

// A progress window owned through the sink interface; destroying it closes the window.
class ProgressWindowSink final : public ProgressSink {
public:
    ProgressWindowSink() : m_window(new CProgressWindow) {}
    ~ProgressWindowSink() override { delete m_window; }
    void SetRange(int low, int high) override { m_window->SetRange(low, high); }
    void Show() override { m_window->Show(); }
    void SetPosition(int position) override { m_window->SetPosition(position); }
    bool CancelRequested() const override { return m_window->CancelRequested(); }
    void SetLabel(std::string_view label) override { m_window->SetLabel(label); }

private:
    CProgressWindow* m_window;
};

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

// "MP3 (.mp3) (*.mp3)" gives "mp3"; a filter of several patterns or none gives nothing.
QString ExtensionOfFilter(const QString& filter) {
    static const QRegularExpression single(R"(\(\*\.(\w+)\)\s*$)");
    const QRegularExpressionMatch match = single.match(filter);
    return match.hasMatch() ? match.captured(1) : QString();
}

// Opens the dialog in the folder of `name` with the name selected. The folder is set on its own because a
// platform's dialog may ignore a selected file that no longer exists, and with it the folder.
void StartAt(QFileDialog& dialog, const std::string& name) {
    if (name.empty()) {
        return;
    }
    const QFileInfo file(ToQt(name));
    if (file.absoluteDir().exists()) {
        dialog.setDirectory(file.absolutePath());
    }
    dialog.selectFile(ToQt(name));
}

}  // namespace

QString ProgramName() {
    const QString path = QCoreApplication::applicationFilePath();
    return path.isEmpty() ? QCoreApplication::applicationName() : QFileInfo(path).completeBaseName();
}

QMessageBox::Icon BoxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        break;
    }
    return QMessageBox::Warning;
}

void QtUserDialogs::ShowMessage(std::string_view text, MessageIcon icon) {
    QMessageBox box(BoxIcon(icon), ProgramName(),
                    QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

std::unique_ptr<ProgressSink> QtUserDialogs::CreateProgress() {
    return std::make_unique<ProgressWindowSink>();
}

std::optional<std::string> QtUserDialogs::ChooseFileToOpen(const FileChoiceRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), QString(), QString(), ToQt(request.filterList));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    StartAt(dialog, request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

std::optional<std::string> QtUserDialogs::ChooseFileToSave(const FileChoiceRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), QString(), QString(), ToQt(request.filterList));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(ToQt(request.defaultExtension));
    // A name typed without an extension takes the one of the file type chosen in the dialog.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
        const QString extension = ExtensionOfFilter(filter);
        if (!extension.isEmpty()) {
            dialog.setDefaultSuffix(extension);
        }
    });
    StartAt(dialog, request.initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first().toStdString();
}

SaveChangesAnswer QtUserDialogs::AskToSaveChanges(const std::string& name) {
    QMessageBox box(QMessageBox::Warning, ProgramName(), "Save changes to " + ToQt(name) + "?",
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QApplication::activeWindow());
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save:
        return SaveChangesAnswer::Save;
    case QMessageBox::Discard:
        return SaveChangesAnswer::Discard;
    default:
        return SaveChangesAnswer::Cancel;
    }
}

}  // namespace tressel
