#pragma once

// A sound player that plays nothing, returns at once and remembers every request.

#include <platform/sound/soundplayer.h>

#include <QByteArray>
#include <functional>
#include <vector>

class FakeSoundPlayer : public SoundPlayer {
public:
    struct Request {
        enum class Kind { Stop, Play };
        Kind kind;
        // Play only: a copy of the bytes asked for, the buffer they lay in and where, and how.
        QByteArray wave;
        const QByteArray *buffer = nullptr;
        const char *data = nullptr;
        bool async = false;
    };

    void prepare() override { ++prepared; }
    void stop() override;
    void play(const QByteArray &waveImage, bool async) override;

    // The play requests alone, in order.
    std::vector<Request> plays() const;

    std::vector<Request> requests;
    int prepared = 0;
    // Called once a request has been recorded, so a test can look at the world at that moment.
    std::function<void(const Request &)> onRequest;

private:
    void record(const Request &r);
};
