#include "app/AboutDialog.h"

#include <QIcon>

#include "tressel/BuildInfo.h"
#include "ui_AboutDialog.h"

CAboutDialog::CAboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::AboutDialog>()) {
    m_ui->setupUi(this);
    m_ui->versionLabel->setText(QString("Tressel Version ") + tressel::kVersion);
    setFixedSize(size());
    const QIcon icon(":/tressel.svg");
    m_ui->iconLabel->setPixmap(icon.pixmap(m_ui->iconLabel->size()));
}

CAboutDialog::~CAboutDialog() = default;
