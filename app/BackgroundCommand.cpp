#include "app/BackgroundCommand.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <future>
#include <new>
#include <thread>

namespace tressel {

namespace {

constexpr int kCancelPollMs = 20;
constexpr qint64 kDrainSliceMs = 10;

}  // namespace

// The command's side of one indicator: every call goes over to the real one, which is made, changed and
// destroyed on the interface thread in the same order. Positions come by the million from a long filter,
// so those that follow one another travel together, as plain numbers.
class BackgroundCommand::RelayedProgress final : public ProgressSink {
public:
    explicit RelayedProgress(BackgroundCommand& owner) : m_owner(owner), m_id(owner.NewIndicatorId()) {
        m_owner.Post([&owner = m_owner, id = m_id] { owner.OpenIndicatorHere(id); });
    }
    ~RelayedProgress() override {
        m_owner.Post([&owner = m_owner, id = m_id] { owner.m_indicators.erase(id); });
    }
    RelayedProgress(const RelayedProgress&) = delete;
    RelayedProgress& operator=(const RelayedProgress&) = delete;

    void SetRange(int low, int high) override {
        m_batch.reset();  // positions after this must not join a batch that goes before it
        Relay([low, high](ProgressSink& sink) { sink.SetRange(low, high); });
    }
    void Show() override {
        m_batch.reset();
        Relay([](ProgressSink& sink) { sink.Show(); });
    }
    void SetPosition(int position) override {
        if (m_batch) {
            const std::lock_guard<std::mutex> lock(m_batch->mutex);
            if (m_batch->open) {
                m_batch->positions.push_back(position);
                return;
            }
        }
        m_batch = std::make_shared<Positions>();
        m_batch->positions.push_back(position);
        Relay([batch = m_batch](ProgressSink& sink) {
            std::vector<int> positions;
            {
                const std::lock_guard<std::mutex> lock(batch->mutex);
                batch->open = false;  // positions set from now on follow in a batch of their own
                positions.swap(batch->positions);
            }
            for (const int position : positions) {
                sink.SetPosition(position);
            }
        });
    }
    bool CancelRequested() const override { return m_owner.m_cancelRequested; }

private:
    struct Positions {
        std::mutex mutex;
        std::vector<int> positions;
        bool open = true;
    };

    template <class Change>
    void Relay(Change change) {
        m_owner.Post([&owner = m_owner, id = m_id, change] {
            if (const auto found = owner.m_indicators.find(id); found != owner.m_indicators.end()) {
                change(*found->second);
            }
        });
    }

    BackgroundCommand& m_owner;
    int m_id;
    std::shared_ptr<Positions> m_batch;  // the batch on its way, which later positions may join
};

class BackgroundCommand::RelayedFeedback final : public Feedback {
public:
    explicit RelayedFeedback(BackgroundCommand& owner) : m_owner(owner) {}
    void ShowMessage(std::string_view text, MessageIcon icon) override {
        m_owner.Post([&owner = m_owner, text = std::string(text), icon] { owner.m_target->ShowMessage(text, icon); });
    }
    std::unique_ptr<ProgressSink> CreateProgress() override { return std::make_unique<RelayedProgress>(m_owner); }

private:
    BackgroundCommand& m_owner;
};

BackgroundCommand::BackgroundCommand(CWave& wave, QObject* parent) : QObject(parent), m_wave(wave) {
    m_cancelPoll.setInterval(kCancelPollMs);
    connect(&m_cancelPoll, &QTimer::timeout, this, &BackgroundCommand::PollCancel);
}

BackgroundCommand::~BackgroundCommand() = default;

Result BackgroundCommand::Run(const std::string& name, const std::function<Result()>& work, SampleAccess access) {
    if (access == SampleAccess::Changes) {
        m_wave.Stop();  // here, where the sound output lives; the command's own stop then finds nothing
    }
    m_name = name;
    m_running = true;
    m_cancelRequested = false;
    SetControlsEnabled(false);
    emit runningChanged(true);
    m_target = &m_wave.GetFeedback();
    RelayedFeedback relay(*this);
    m_wave.SetFeedback(&relay);

    Result result;
    QEventLoop loop;
    std::thread worker([&] {
        Result answer;
        try {
            answer = work();
        } catch (const std::bad_alloc&) {
            answer = OutOfMemory();
        }
        Post([&, answer] {
            result = answer;
            loop.quit();
        });
    });
    m_cancelPoll.start();
    loop.exec();
    worker.join();
    m_cancelPoll.stop();

    m_wave.SetFeedback(m_target);
    m_indicators.clear();
    SetControlsEnabled(true);
    m_running = false;
    emit runningChanged(false);
    return result;
}

void BackgroundCommand::Post(std::function<void()> call) {
    bool wasEmpty = false;
    {
        const std::lock_guard<std::mutex> lock(m_queueMutex);
        wasEmpty = m_queue.empty();
        m_queue.push_back(std::move(call));
    }
    if (wasEmpty) {
        QMetaObject::invokeMethod(this, &BackgroundCommand::Drain, Qt::QueuedConnection);
    }
}

void BackgroundCommand::Call(const std::function<void()>& call) {
    std::promise<void> done;
    Post([&] {
        call();
        done.set_value();
    });
    done.get_future().wait();
}

std::unique_ptr<ProgressSink> BackgroundCommand::OpenIndicator() {
    auto indicator = std::make_unique<RelayedProgress>(*this);
    indicator->SetRange(0, 0);
    indicator->Show();
    return indicator;
}

void BackgroundCommand::OpenIndicatorHere(int id) {
    auto indicator = m_target->CreateProgress();
    indicator->SetLabel(m_name);
    m_indicators[id] = std::move(indicator);
}

// One call at a time, in order, for a slice of time at most: then the event loop gets its turn (paint,
// the Cancel button) and the rest follows. A call that spins the event loop itself (a window painting at
// once, a dialog) may start another drain; that one leaves the rest to this one, so the order holds.
void BackgroundCommand::Drain() {
    if (m_draining) {
        return;
    }
    m_draining = true;
    QElapsedTimer slice;
    slice.start();
    bool more = true;
    while (more && slice.elapsed() < kDrainSliceMs) {
        std::function<void()> call;
        {
            const std::lock_guard<std::mutex> lock(m_queueMutex);
            if (m_queue.empty()) {
                more = false;
                break;
            }
            call = std::move(m_queue.front());
            m_queue.pop_front();
        }
        call();
    }
    m_draining = false;
    PollCancel();
    if (more) {
        QMetaObject::invokeMethod(this, &BackgroundCommand::Drain, Qt::QueuedConnection);
    }
}

void BackgroundCommand::PollCancel() {
    for (const auto& [id, indicator] : m_indicators) {
        if (indicator->CancelRequested()) {
            m_cancelRequested = true;
        }
    }
}

void BackgroundCommand::SetControlsEnabled(bool enabled) {
    if (!enabled) {
        // Every state first: a widget inside another on the list reads as disabled once that one is.
        m_wasEnabled.clear();
        for (const QPointer<QWidget>& widget : m_disabled) {
            m_wasEnabled.push_back(widget && widget->isEnabled());
        }
        for (const QPointer<QWidget>& widget : m_disabled) {
            if (widget) {
                widget->setEnabled(false);
            }
        }
        return;
    }
    for (std::size_t i = 0; i < m_disabled.size() && i < m_wasEnabled.size(); ++i) {
        if (m_disabled[i]) {
            m_disabled[i]->setEnabled(m_wasEnabled[i]);
        }
    }
}

}  // namespace tressel
