#pragma once
// Runs one command of the main window at a time on a thread of its own, so the windows keep painting and
// the progress window's Cancel is answered while it works. The caller waits for the result as before (an
// event loop runs meanwhile), so a command reads the same way whether it runs here or not.
//
// The command reports through the wave's feedback as always; while it runs, that feedback is a relay
// that hands every call over to this thread in order, to the feedback the wave had before. Cancel in any
// indicator opened that way reaches the command through its progress (ProgressSink::CancelRequested).

#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <atomic>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/Feedback.h"
#include "audio/Wave.h"

namespace tressel {

// Whether a command only reads the samples or changes or replaces them; sound that plays them stops
// before a command of the second kind, as it could not go on reading them meanwhile.
enum class SampleAccess { Reads, Changes };

class BackgroundCommand final : public QObject {
    Q_OBJECT
public:
    // `wave` must outlive this.
    explicit BackgroundCommand(CWave& wave, QObject* parent = nullptr);
    ~BackgroundCommand() override;

    // Runs `work` off this thread and answers its result; the indicators it opens carry `name`. The
    // widgets given to DisableWhileRunning are disabled meanwhile.
    Result Run(const std::string& name, const std::function<Result()>& work,
               SampleAccess access = SampleAccess::Reads);
    bool Running() const { return m_running; }
    // Whether the user asked the running command to stop, for work that asks it directly.
    bool CancelRequested() const { return m_cancelRequested; }
    void DisableWhileRunning(std::vector<QPointer<QWidget>> widgets) { m_disabled = std::move(widgets); }

    // From the command's thread: `call` runs on this thread, in order with everything handed over before;
    // Call waits for it to finish, Post does not.
    void Post(std::function<void()> call);
    void Call(const std::function<void()>& call);
    // From the command's thread: opens and shows an indicator of the command's own, with Cancel, for work
    // that reports through hooks of its own rather than the wave's feedback. Its bar only says that
    // something runs until it is given a range; it closes when the answer is destroyed or the command ends.
    std::unique_ptr<ProgressSink> OpenIndicator();

signals:
    void runningChanged(bool running);

private:
    class RelayedFeedback;
    class RelayedProgress;

    void Drain();
    void PollCancel();
    void SetControlsEnabled(bool enabled);
    int NewIndicatorId() { return m_nextIndicator++; }
    void OpenIndicatorHere(int id);

    CWave& m_wave;
    Feedback* m_target = nullptr;  // where the relayed calls go, on this thread
    std::string m_name;
    bool m_running = false;
    std::atomic<bool> m_cancelRequested{false};
    std::atomic<int> m_nextIndicator{0};
    std::map<int, std::unique_ptr<ProgressSink>> m_indicators;
    std::vector<QPointer<QWidget>> m_disabled;
    std::vector<bool> m_wasEnabled;
    QTimer m_cancelPoll;

    std::mutex m_queueMutex;
    std::deque<std::function<void()>> m_queue;
    bool m_draining = false;
};

}  // namespace tressel
