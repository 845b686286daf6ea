#pragma once
// The MP3 settings of a window export that runs in the background: the dialog, and any message it shows
// at once, belong to the interface thread, so every question goes over there and waits for its answer.

#include "app/BackgroundCommand.h"
#include "mp3enc/Mp3Settings.h"

namespace tressel {

class RelayedMp3Settings final : public Mp3SettingsSource {
public:
    RelayedMp3Settings(Mp3SettingsSource& inner, BackgroundCommand& relay) : m_inner(inner), m_relay(relay) {}

    bool RunSettingsDialog() override { return Ask([this] { return m_inner.RunSettingsDialog(); }); }
    int GetBitrate(Result& notes) override { return Ask([this, &notes] { return m_inner.GetBitrate(notes); }); }
    int GetCrc() const override { return Ask([this] { return m_inner.GetCrc(); }); }
    int GetCopyright() const override { return Ask([this] { return m_inner.GetCopyright(); }); }
    int GetPrivate() const override { return Ask([this] { return m_inner.GetPrivate(); }); }
    int GetOriginal() const override { return Ask([this] { return m_inner.GetOriginal(); }); }

private:
    template <class Question>
    auto Ask(Question question) const -> decltype(question()) {
        decltype(question()) answer{};
        m_relay.Call([&] { answer = question(); });
        return answer;
    }

    Mp3SettingsSource& m_inner;
    BackgroundCommand& m_relay;
};

}  // namespace tressel
