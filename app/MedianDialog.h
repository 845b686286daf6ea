#pragma once
#include <QDialog>
#include <memory>

namespace Ui {
class MedianDialog;
}

// "Median Filter": a modeless window choosing the odd window length 3..33 with a slider. "Apply" asks
// the main window to filter with the current length; the length stays while the window is hidden.
class CMedianDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CMedianDialog(QWidget* parent = nullptr);
    ~CMedianDialog() override;

    int Length() const { return m_length; }

signals:
    // "Apply" with the current length; the main window runs the median filter.
    void ApplyRequested(int length);

private slots:
    void OnSliderMoved(int position);
    void OnApply();
    void OnHelp();

private:
    std::unique_ptr<Ui::MedianDialog> m_ui;
    int m_length = 0;
};
