#pragma once
#include <QDialog>
#include <memory>

class CWave;
class QLineEdit;

namespace Ui {
class AmplifyDialog;
}

// "Amplify": a modal dialog that measures the wave when it opens, proposes one gain per channel and
// applies the edited gains. A channel without a proposal (gain 0) has its edit disabled.
class CAmplifyDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CAmplifyDialog(QWidget* parent = nullptr);
    ~CAmplifyDialog() override;

    void SetWave(CWave* wave) { m_wave = wave; }
    double Gain1() const { return m_gain1; }
    double Gain2() const { return m_gain2; }

public slots:
    void accept() override;  // "Apply"

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void OnHelp();

private:
    void ShowProposals();
    // The edit's number, or nothing after telling the user and putting the focus on that edit.
    bool ReadGain(QLineEdit* edit, double& gain);

    CWave* m_wave = nullptr;
    std::unique_ptr<Ui::AmplifyDialog> m_ui;
    double m_gain1 = 0.0;
    double m_gain2 = 0.0;
    bool m_measured = false;
};
