// The WAVE resources, the resource player and the SDL player (on SDL's dummy driver, which
// plays in real time without a sound card).

#include <doors/waveplayer.h>
#include <fakes/fakesound.h>
#include <platform/sound/sdlsoundplayer.h>
#include <support/files.h>
#include <support/stderrcapture.h>
#include <support/threadwakeups.h>
#include <tools/sounds/wavesynth.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QtTest>

#include <csignal>
#include <thread>

namespace {

// A rest short enough for a test; what the program uses is a few seconds.
constexpr auto kShortRest = std::chrono::milliseconds(300);
// Long enough to see a thread that polls several times a second.
constexpr auto kQuietWindow = std::chrono::milliseconds(400);
constexpr int kQuietTries = 3;

QByteArray bytes(const std::vector<std::uint8_t> &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
}

// A WAVE image's samples as SDL reads them, and how long they play.
struct Samples {
    SDL_AudioSpec spec{};
    QByteArray bytes;
    qint64 ms() const { return bytes.size() * 1000 / (spec.freq * spec.channels); }
};

Samples decode(const QByteArray &wave)
{
    Samples out;
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    if (SDL_LoadWAV_RW(SDL_RWFromConstMem(wave.constData(), int(wave.size())), 1, &out.spec,
                       &buffer, &length) != nullptr)
        out.bytes = QByteArray(reinterpret_cast<const char *>(buffer), qsizetype(length));
    SDL_FreeWAV(buffer);
    return out;
}

// Opens the player's device as the main window does after its first paint, and waits for it.
void openDevice(SdlSoundPlayer &sdl)
{
    sdl.prepare();
    QTRY_VERIFY2(sdl.hasDevice(), "SDL_AUDIODRIVER=dummy gives a device");
}

} // namespace

class TestSounds : public QObject {
    Q_OBJECT

private slots:
    void waveResource_loaded_isTheGeneratorsAndPlays_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QByteArray>("generated");
        QTest::newRow("101 opening")
            << 101 << bytes(wavesynth::waveFile(wavesynth::openingChime()));
        QTest::newRow("102 closing")
            << 102 << bytes(wavesynth::waveFile(wavesynth::closingBuzzerAndAir()));
    }

    // Synthesis is deterministic: a resource that differs was not regenerated after a change.
    void waveResource_loaded_isTheGeneratorsAndPlays()
    {
        QFETCH(int, id);
        QFETCH(QByteArray, generated);
        QCOMPARE(waveResource(id), generated);

        // 8-bit samples that start and end in silence (no click) and never clip.
        const Samples pcm = decode(generated);
        QCOMPARE(pcm.spec.format, AUDIO_U8);
        QVERIFY(pcm.ms() > 100);
        QCOMPARE(static_cast<std::uint8_t>(pcm.bytes.front()), 128);
        QCOMPARE(static_cast<std::uint8_t>(pcm.bytes.back()), 128);
        QVERIFY(!pcm.bytes.contains('\x00'));
        QVERIFY(!pcm.bytes.contains('\xff'));
    }

    void wavePlayer_newSound_stopsTheOldBeforeReplacingTheBuffer()
    {
        using Kind = FakeSoundPlayer::Request::Kind;
        FakeSoundPlayer sound;
        WavePlayer player(sound);

        player.playInBackground(102);
        const QByteArray *kept = sound.requests.back().buffer;
        // The player is handed the kept buffer itself, not a copy that could go away.
        const char *playing = sound.requests.back().data;
        QCOMPARE(playing, kept->constData());

        // When the next request stops the closing sound, the bytes it plays from are still there.
        bool intactAtStop = false;
        sound.onRequest = [&](const FakeSoundPlayer::Request &r) {
            if (r.kind == Kind::Stop)
                intactAtStop = kept->constData() == playing && *kept == waveResource(102);
        };
        player.playToEnd(101);
        QVERIFY(intactAtStop);
        QCOMPARE(sound.requests.size(), 4u);
        QCOMPARE(sound.requests[3].wave, waveResource(101));
        QCOMPARE(sound.requests[3].buffer, kept);

        // An id without a resource stops the sound and plays nothing.
        player.playToEnd(999);
        QCOMPARE(sound.requests.size(), 6u);
        QCOMPARE(sound.requests[4].kind, Kind::Stop);
        QVERIFY(sound.requests[5].wave.isEmpty());
    }

    void sdlPlayer_syncOrAsync_lastsItsOwnSoundOrReturnsAtOnce()
    {
        SdlSoundPlayer sdl;
        WavePlayer player(sdl);
        const qint64 chime = decode(waveResource(101)).ms();
        QElapsedTimer t;
        const auto playChime = [&](qint64 slack) {
            t.start();
            player.playToEnd(101);
            QVERIFY2(t.elapsed() >= chime - 100 && t.elapsed() < chime + slack,
                     qPrintable(QString::number(t.elapsed())));
            QCOMPARE(sdl.queuedBytes(), 0u);
        };

        // The first sound waits for the device as well; generous above for a loaded machine.
        playChime(2000);
        QVERIFY2(sdl.hasDevice(), "SDL_AUDIODRIVER=dummy gives a device");

        t.start();
        player.playInBackground(102);
        QVERIFY2(t.elapsed() < 300, qPrintable(QString::number(t.elapsed())));
        // Most of it is still to come.
        QVERIFY(sdl.queuedBytes() > std::uint32_t(decode(waveResource(102)).bytes.size() / 2));
        // The opening sound after a closing one takes its own time, not what is left of the other.
        playChime(950);

        // Only (the rest of) the new sound is queued; the old one's bytes are gone. The player does
        // that by itself, without being stopped first.
        sdl.play(waveResource(102), true);
        sdl.play(waveResource(101), true);
        QVERIFY(sdl.queuedBytes() <= std::uint32_t(waveResource(101).size()));
        QVERIFY(sdl.queuedBytes() > 0u);
        sdl.stop();
        QCOMPARE(sdl.queuedBytes(), 0u);
    }

    // After a rest the device is closed and no thread of the player's or SDL's wakes; the next
    // sound opens a device again, and a sound keeps it open for as long as it plays.
    void sdlPlayer_rest_closesDeviceUntilTheNextSound()
    {
        SdlSoundPlayer sdl(kShortRest);
        WavePlayer player(sdl);
        openDevice(sdl);
        QTRY_VERIFY(!sdl.hasDevice());
        const QString woke = threadsThatWokeInEveryWindow(kQuietWindow, kQuietTries);
        QVERIFY2(woke.isEmpty(), qPrintable(woke));

        // Asynchronous: returns at once, and the sound starts once the device is back.
        const qint64 buzzer = decode(waveResource(102)).ms();
        QElapsedTimer t;
        t.start();
        player.playInBackground(102);
        QVERIFY2(t.elapsed() < 300, qPrintable(QString::number(t.elapsed())));
        QTRY_VERIFY(sdl.queuedBytes() > 0u);
        // The rest counts from the sound's end: the device is not closed under it.
        while (sdl.queuedBytes() > 0)
            QTest::qWait(20);
        QVERIFY2(t.elapsed() >= buzzer - 150, qPrintable(QString::number(t.elapsed())));
        QTRY_VERIFY(!sdl.hasDevice());

        // Synchronous: lasts its sound, from a closed device as from an open one.
        const qint64 chime = decode(waveResource(101)).ms();
        t.start();
        player.playToEnd(101);
        QVERIFY2(t.elapsed() >= chime - 100 && t.elapsed() < chime + 300,
                 qPrintable(QString::number(t.elapsed())));
        QTRY_VERIFY(!sdl.hasDevice());

        // The caller's bytes may be gone before the device is back (a sound as the program ends).
        {
            QByteArray gone = waveResource(102);
            gone.detach();
            sdl.play(gone, true);
        }
        QTRY_VERIFY(sdl.queuedBytes() > 0u);
    }

    void sdlPlayer_dataThatIsNoWave_skipped_data()
    {
        QTest::addColumn<QByteArray>("wave");
        const QByteArray good = waveResource(101);
        QByteArray liar = good;
        liar.replace(good.indexOf("data") + 4, 4, QByteArray("\xff\xff\xff\x7f", 4));
        QByteArray longFmt = good;
        longFmt.replace(good.indexOf("fmt ") + 4, 4, QByteArray("\x00\x00\x01\x00", 4));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("cut inside the header") << good.left(40);
        QTest::newRow("cut inside the data") << good.left(6000);
        QTest::newRow("no RIFF at all") << QByteArray(4096, '\x5a');
        QTest::newRow("data chunk claims 2 GB") << liar;
        QTest::newRow("fmt chunk claims 64 KB") << longFmt;
    }

    // A damaged image is not played and not waited for; it must not make SDL allocate what its
    // headers claim either.
    void sdlPlayer_dataThatIsNoWave_skipped()
    {
        QFETCH(QByteArray, wave);
        SdlSoundPlayer sdl;
        openDevice(sdl);
        sdl.play(waveResource(102), true);
        QVERIFY(sdl.queuedBytes() > 0u);
        QElapsedTimer t;
        t.start();
        sdl.play(wave, false);
        QVERIFY2(t.elapsed() < 300, qPrintable(QString::number(t.elapsed())));
        // It still stopped the sound before it.
        QCOMPARE(sdl.queuedBytes(), 0u);
    }

    void sdlPlayer_noSoundCard_saysNothing()
    {
        const auto restore =
            qScopeGuard([old = qgetenv("SDL_AUDIODRIVER")] { qputenv("SDL_AUDIODRIVER", old); });
        qputenv("SDL_AUDIODRIVER", "alsa");
        // A tenth of a second of silence, in case this machine does have a card.
        const QByteArray quiet = bytes(wavesynth::waveFile(std::vector<std::uint8_t>(2205, 128)));

        StderrCapture capture;
        {
            SdlSoundPlayer sdl;
            sdl.play(quiet, true);
            sdl.play(quiet, false);
        }
        const QByteArray said = capture.finish();
        QVERIFY2(said.isEmpty(), said.constData());
    }

    void sdlPlayer_opened_leavesCtrlCAndTermToTheProgram()
    {
        // SDL takes SIGINT and SIGTERM only where nobody handles them yet, so make it so here.
        struct sigaction none {};
        none.sa_handler = SIG_DFL;
        struct sigaction oldInt {};
        struct sigaction oldTerm {};
        sigaction(SIGINT, &none, &oldInt);
        sigaction(SIGTERM, &none, &oldTerm);
        struct sigaction afterInt {};
        struct sigaction afterTerm {};
        {
            SdlSoundPlayer sdl;
            openDevice(sdl);
            sigaction(SIGINT, nullptr, &afterInt);
            sigaction(SIGTERM, nullptr, &afterTerm);
        }
        sigaction(SIGINT, &oldInt, nullptr);
        sigaction(SIGTERM, &oldTerm, nullptr);
        QVERIFY(afterInt.sa_handler == SIG_DFL);
        QVERIFY(afterTerm.sa_handler == SIG_DFL);
    }
};

QTEST_GUILESS_MAIN(TestSounds)
#include "tst_sounds.moc"
