#include "app/EffectsDialog.h"

#include "app/AmplifyDialog.h"
#include "app/ButtonShortcuts.h"
#include "app/Help.h"
#include "app/UserDialogs.h"
#include "workbench/Workbench.h"
#include "ui_EffectsDialog.h"

CEffectsDialog::CEffectsDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::EffectsDialog>()),
      m_median(this) {
    m_ui->setupUi(this);
    setFixedSize(size());
    setModal(false);
    connect(m_ui->medianFilterButton, &QPushButton::clicked, this, &CEffectsDialog::OnMedianFilter);
    connect(m_ui->amplifyButton, &QPushButton::clicked, this, &CEffectsDialog::OnAmplify);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CEffectsDialog::accept);
    connect(m_ui->helpButton, &QPushButton::clicked, this, &CEffectsDialog::OnHelp);
    tressel::AddButtonShortcut(m_ui->helpButton, QKeySequence(Qt::Key_F1));
}

CEffectsDialog::~CEffectsDialog() = default;

void CEffectsDialog::OnMedianFilter() {
    m_median.show();
    m_median.raise();
    m_median.activateWindow();
}

void CEffectsDialog::OnAmplify() {
    const tressel::Result ready =
        m_workbench ? m_workbench->CheckCanAmplify() : tressel::Result::Failure("No valid Wave file loaded");
    if (!ready) {
        tressel::ShowMessages(tressel::AppDialogs(), ready);
        return;
    }
    CAmplifyDialog amplify(this);
    amplify.SetWorkbench(m_workbench);
    const int answer = amplify.exec();
    if (answer == QDialog::Accepted) {
        emit amplified();
    }
    emit AmplifyClosed();
}

void CEffectsDialog::OnHelp() {
    tressel::AppHelp().ShowTopic(tressel::kHelpEffects);
}
