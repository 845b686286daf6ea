#pragma once
#include <QDialog>
#include <memory>

namespace tressel {
class Workbench;
}
class QLineEdit;

namespace Ui {
class AmplifyDialog;
}

// "Amplify": a modal dialog that measures the workbench's wave when it opens, proposes one gain per channel
// and applies the edited gains through the workbench. A channel without a proposal (gain 0) has its edit disabled.
class CAmplifyDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CAmplifyDialog(QWidget* parent = nullptr);
    ~CAmplifyDialog() override;

    void SetWorkbench(tressel::Workbench* workbench) { m_workbench = workbench; }
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

    tressel::Workbench* m_workbench = nullptr;
    std::unique_ptr<Ui::AmplifyDialog> m_ui;
    double m_gain1 = 0.0;
    double m_gain2 = 0.0;
    bool m_measured = false;
};
