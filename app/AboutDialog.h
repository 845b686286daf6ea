#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class AboutDialog;
}

// "About Tressel": the icon, the version and OK.
class CAboutDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDialog(QWidget* parent = nullptr);
    ~CAboutDialog() override;

private:
    std::unique_ptr<Ui::AboutDialog> m_ui;
};
