#include "app/AmplifyDialog.h"

#include <QLineEdit>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "app/ButtonShortcuts.h"
#include "app/Help.h"
#include "app/UserDialogs.h"
#include "workbench/Workbench.h"
#include "ui_AmplifyDialog.h"

namespace {

// The edits hand over at most this many characters, as a fixed text buffer would.
constexpr int kMaxGainCharacters = 31;
constexpr int kGainPrecision = 15;

// The whole text as one finite decimal number, blanks around it allowed; the C locale's decimal point,
// whatever the user's locale, so a text is read back exactly as it was shown.
std::optional<double> ParseNumber(std::string_view text) {
    const std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-') {
            return std::nullopt;
        }
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

QString GainText(double gain) {
    return QString::asprintf("%.*g", kGainPrecision, gain);
}

}  // namespace

CAmplifyDialog::CAmplifyDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_ui(std::make_unique<Ui::AmplifyDialog>()) {
    m_ui->setupUi(this);
    setFixedSize(size());
    setModal(true);
    connect(m_ui->applyButton, &QPushButton::clicked, this, &CAmplifyDialog::accept);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &CAmplifyDialog::reject);
    connect(m_ui->helpButton, &QPushButton::clicked, this, &CAmplifyDialog::OnHelp);
    tressel::AddButtonShortcut(m_ui->helpButton, QKeySequence(Qt::Key_F1));
}

CAmplifyDialog::~CAmplifyDialog() = default;

void CAmplifyDialog::showEvent(QShowEvent* event) {
    if (!m_measured) {
        m_measured = true;
        ShowProposals();
    }
    QDialog::showEvent(event);
}

void CAmplifyDialog::ShowProposals() {
    if (m_workbench) {
        tressel::ShowMessages(tressel::AppDialogs(), m_workbench->MeasureGains(m_gain1, m_gain2));
    }
    m_ui->gain1Edit->setEnabled(m_gain1 != 0.0);
    m_ui->gain2Edit->setEnabled(m_gain2 != 0.0);
    m_ui->gain1Edit->setText(GainText(m_gain1));
    m_ui->gain2Edit->setText(GainText(m_gain2));
    // The start of a long number says more than its last digits.
    m_ui->gain1Edit->setCursorPosition(0);
    m_ui->gain2Edit->setCursorPosition(0);
}

bool CAmplifyDialog::ReadGain(QLineEdit* edit, double& gain) {
    const std::optional<double> value = ParseNumber(edit->text().left(kMaxGainCharacters).toStdString());
    if (!value) {
        tressel::AppDialogs().ShowMessage("Please enter a number.");
        edit->setFocus();
        edit->selectAll();
        return false;
    }
    gain = *value;
    return true;
}

void CAmplifyDialog::accept() {
    if (!ReadGain(m_ui->gain1Edit, m_gain1) || !ReadGain(m_ui->gain2Edit, m_gain2)) {
        return;
    }
    if (m_workbench) {
        tressel::ShowMessages(tressel::AppDialogs(), m_workbench->Amplify(m_gain1, m_gain2));
    }
    QDialog::accept();
}

void CAmplifyDialog::OnHelp() {
    tressel::AppHelp().ShowTopic(tressel::kHelpAmplify);
}
