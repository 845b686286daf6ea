#pragma once
// The "MP3 Encoder" dialog: bitrate and the four MP3 header flags, asked before every export. It starts
// from the same defaults every time and remembers nothing.

#include <QDialog>
#include <QString>
#include <memory>

#include "mp3enc/Mp3Settings.h"

namespace Ui {
class Mp3EncoderDialog;
}

class CMp3EncoderDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CMp3EncoderDialog(QWidget* parent = nullptr);
    ~CMp3EncoderDialog() override;

    // The bitrate in kbit/s for the text as it stood at "Apply"; a text that is not one of the list's
    // shows "No valid selection - Encoding with 128 kbit" and gives 128.
    int GetBitrate();
    int GetCrc() const { return m_crc; }
    int GetCopyright() const { return m_copyright; }
    int GetPrivate() const { return m_private; }
    int GetOriginal() const { return m_original; }

private:
    void PutFieldsIntoControls();
    void TakeFieldsFromControls();
    void OnApply();

    std::unique_ptr<Ui::Mp3EncoderDialog> m_ui;
    QString m_bitrateText;
    int m_crc = 0;
    int m_private = 0;
    int m_copyright = 0;
    int m_original = 0;
};

namespace tressel {

// The window program's settings: the dialog, run modally without a parent for each export.
class DialogMp3Settings final : public Mp3SettingsSource {
public:
    bool RunSettingsDialog() override;
    int GetBitrate(Result& notes) override;
    int GetCrc() const override;
    int GetCopyright() const override;
    int GetPrivate() const override;
    int GetOriginal() const override;

private:
    std::unique_ptr<CMp3EncoderDialog> m_dialog;
};

}  // namespace tressel
