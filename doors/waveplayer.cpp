#include <doors/waveplayer.h>

#include <platform/sound/soundplayer.h>
#include <resources/resources.h>

#include <QCoreApplication>
#include <QFile>

void WavePlayer::playToEnd(std::int16_t ResId)
{
    play(ResId, false);
}

void WavePlayer::playInBackground(std::int16_t ResId)
{
    play(ResId, true);
    QCoreApplication::processEvents();
}

void WavePlayer::play(std::int16_t ResId, bool async)
{
    // An id without a resource plays nothing, but still stops the sound before it.
    QByteArray wave;
    QFile file(QLatin1String(res::kWavePrefix) + QString::number(ResId));
    if (file.open(QIODevice::ReadOnly))
        wave = file.readAll();

    // The player may still be reading the old buffer: stop it before the bytes are released.
    player_.stop();
    buffer_ = std::move(wave);
    player_.play(buffer_, async);
}
