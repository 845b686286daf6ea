#include "app/EffectsDialog.h"

#include "app/AmplifyDialog.h"
#include "app/Help.h"
#include "app/UserDialogs.h"
#include "audio/Wave.h"
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
}

CEffectsDialog::~CEffectsDialog() = default;

void CEffectsDialog::OnMedianFilter() {
    m_median.show();
    m_median.raise();
    m_median.activateWindow();
}

void CEffectsDialog::OnAmplify() {
    if (!m_wave || m_wave->GetChannels() == 0) {
        tressel::AppDialogs().ShowMessage("No valid Wave file loaded");
        return;
    }
    CAmplifyDialog amplify(this);
    amplify.SetWave(m_wave);
    amplify.exec();
}

void CEffectsDialog::OnHelp() {
    tressel::AppHelp().ShowTopic(tressel::kHelpEffects);
}
