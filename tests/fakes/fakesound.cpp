#include <fakes/fakesound.h>

void FakeSoundPlayer::stop()
{
    record({Request::Kind::Stop, {}, nullptr, nullptr, false});
}

void FakeSoundPlayer::play(const QByteArray &waveImage, bool async)
{
    record({Request::Kind::Play, waveImage, &waveImage, waveImage.constData(), async});
}

void FakeSoundPlayer::record(const Request &r)
{
    requests.push_back(r);
    // `r` is the caller's, not an element: the hook may make further requests while it runs.
    if (onRequest)
        onRequest(r);
}

std::vector<FakeSoundPlayer::Request> FakeSoundPlayer::plays() const
{
    std::vector<Request> out;
    for (const Request &r : requests)
        if (r.kind == Request::Kind::Play)
            out.push_back(r);
    return out;
}
