#pragma once
#include <QDialog>
#include <memory>

#include "app/MedianDialog.h"

namespace tressel {
class Workbench;
}

namespace Ui {
class EffectsDialog;
}

// "Effects": the modeless launcher of the median filter and the amplification. It owns the Median Filter
// window for its whole life and borrows the main window's workbench, refreshed every time it is shown.
class CEffectsDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CEffectsDialog(QWidget* parent = nullptr);
    ~CEffectsDialog() override;

    void SetWorkbench(tressel::Workbench* workbench) { m_workbench = workbench; }
    CMedianDialog& MedianDialog() { return m_median; }

signals:
    // The Amplify window closed; it may have changed the samples.
    void AmplifyClosed();
    // The Amplify window ran its command (whether or not it changed the samples).
    void amplified();

private slots:
    void OnMedianFilter();
    void OnAmplify();
    void OnHelp();

private:
    std::unique_ptr<Ui::EffectsDialog> m_ui;
    CMedianDialog m_median;
    tressel::Workbench* m_workbench = nullptr;
};
