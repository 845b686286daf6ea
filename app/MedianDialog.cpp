#include "app/MedianDialog.h"

#include "app/ButtonShortcuts.h"
#include "app/Help.h"
#include "ui_MedianDialog.h"

namespace {

// Slider positions 1..16 stand for the lengths 3, 5, ..., 33.
constexpr int kFirstPosition = 1;
constexpr int kLastPosition = 16;
// A page is a fifth of the range, as on the platform's own trackbars.
constexpr int kPageStep = (kLastPosition - kFirstPosition) / 5;

int LengthAt(int position) {
    return 2 * position + 1;
}

}  // namespace

CMedianDialog::CMedianDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::MedianDialog>()) {
    m_ui->setupUi(this);
    setFixedSize(size());
    setModal(false);

    m_ui->lengthSlider->setRange(kFirstPosition, kLastPosition);
    m_ui->lengthSlider->setSingleStep(1);
    m_ui->lengthSlider->setPageStep(kPageStep);
    m_ui->lengthSlider->setValue(kFirstPosition);
    m_length = LengthAt(kFirstPosition);

    connect(m_ui->lengthSlider, &QSlider::valueChanged, this, &CMedianDialog::OnSliderMoved);
    connect(m_ui->applyButton, &QPushButton::clicked, this, &CMedianDialog::OnApply);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &CMedianDialog::reject);
    connect(m_ui->helpButton, &QPushButton::clicked, this, &CMedianDialog::OnHelp);
    tressel::AddButtonShortcut(m_ui->helpButton, QKeySequence(Qt::Key_F1));
}

CMedianDialog::~CMedianDialog() = default;

void CMedianDialog::OnSliderMoved(int position) {
    m_length = LengthAt(position);
    m_ui->lengthText->setText(QString::asprintf("%d", m_length));
}

void CMedianDialog::OnApply() {
    emit ApplyRequested(m_length);
}

void CMedianDialog::OnHelp() {
    tressel::AppHelp().ShowTopic(tressel::kHelpMedianFilter);
}
