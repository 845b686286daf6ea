#include "app/Mp3EncoderDialog.h"

#include "app/ButtonShortcuts.h"
#include "app/Help.h"
#include "app/UserDialogs.h"
#include "ui_Mp3EncoderDialog.h"

CMp3EncoderDialog::CMp3EncoderDialog(QWidget* parent) : QDialog(parent), m_ui(new Ui::Mp3EncoderDialog) {
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());
    // The typed text counts exactly as typed: no completion may turn "12" into "128".
    m_ui->combo1059->setCompleter(nullptr);
    connect(m_ui->button1, &QPushButton::clicked, this, &CMp3EncoderDialog::OnApply);
    connect(m_ui->button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->button1051, &QPushButton::clicked, this,
            [] { tressel::AppHelp().ShowTopic(tressel::kHelpMp3Encoder); });
    tressel::AddButtonShortcut(m_ui->button1051, QKeySequence(Qt::Key_F1));
    m_bitrateText = QString::fromUtf8(tressel::kDefaultMp3BitrateText.data(),
                                      static_cast<qsizetype>(tressel::kDefaultMp3BitrateText.size()));
    PutFieldsIntoControls();
}

CMp3EncoderDialog::~CMp3EncoderDialog() = default;

int CMp3EncoderDialog::GetBitrate() {
    const QByteArray text = m_bitrateText.toUtf8();
    tressel::Result notes;
    const int bitrate =
        tressel::BitrateFromText(std::string_view(text.constData(), static_cast<std::size_t>(text.size())), notes);
    // The dialog tells the user at once, while the choice is still in front of them.
    tressel::ShowMessages(tressel::AppDialogs(), notes);
    return bitrate;
}

void CMp3EncoderDialog::PutFieldsIntoControls() {
    // The list marks the bitrate in force when it is one of its entries; the text is what counts.
    const int listed = m_ui->combo1059->findText(m_bitrateText);
    if (listed >= 0) {
        m_ui->combo1059->setCurrentIndex(listed);
    }
    m_ui->combo1059->setEditText(m_bitrateText);
    m_ui->check1061->setChecked(m_crc != 0);
    m_ui->check1062->setChecked(m_copyright != 0);
    m_ui->check1063->setChecked(m_private != 0);
    m_ui->check1064->setChecked(m_original != 0);
}

void CMp3EncoderDialog::TakeFieldsFromControls() {
    m_bitrateText = m_ui->combo1059->currentText();
    m_crc = m_ui->check1061->isChecked() ? 1 : 0;
    m_copyright = m_ui->check1062->isChecked() ? 1 : 0;
    m_private = m_ui->check1063->isChecked() ? 1 : 0;
    m_original = m_ui->check1064->isChecked() ? 1 : 0;
}

void CMp3EncoderDialog::OnApply() {
    TakeFieldsFromControls();
    accept();
}

namespace tressel {

bool DialogMp3Settings::RunSettingsDialog() {
    m_dialog = std::make_unique<CMp3EncoderDialog>();
    return m_dialog->exec() == QDialog::Accepted;
}

int DialogMp3Settings::GetBitrate(Result&) {
    return m_dialog ? m_dialog->GetBitrate() : kDefaultMp3Bitrate;
}

int DialogMp3Settings::GetCrc() const {
    return m_dialog ? m_dialog->GetCrc() : 0;
}

int DialogMp3Settings::GetCopyright() const {
    return m_dialog ? m_dialog->GetCopyright() : 0;
}

int DialogMp3Settings::GetPrivate() const {
    return m_dialog ? m_dialog->GetPrivate() : 0;
}

int DialogMp3Settings::GetOriginal() const {
    return m_dialog ? m_dialog->GetOriginal() : 0;
}

}  // namespace tressel
