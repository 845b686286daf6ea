#pragma once
// The "Frames Decoded" window: a small caption window at the top-left of the screen that counts the frames
// of an MP3 import while the main window is hidden.

#include <QElapsedTimer>
#include <QLabel>
#include <QWidget>

class CFramesDecodedWindow final : public QWidget {
    Q_OBJECT
public:
    CFramesDecodedWindow();
    // The decode holds the event loop: the count is painted at once, but at most every few hundredths of a
    // second, so a long file is not slowed down by its own counter.
    void SetCount(int frames);
    QString Text() const { return m_text->text(); }

private:
    QLabel* m_text;
    QElapsedTimer m_sincePaint;
};

// The decoder's progress callback: creates the window at the first call, shows the count on the later
// ones and destroys the window at -1.
void OnFramesDecoded(int value);

// The window while an import runs, otherwise null.
CFramesDecodedWindow* FramesDecodedWindow();
