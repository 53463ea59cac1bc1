// The WAVE resources, the resource player and the SDL player (on SDL's dummy driver, which
// plays in real time without a sound card).

#include <doors/waveplayer.h>
#include <fakes/fakesound.h>
#include <platform/sound/sdlsoundplayer.h>
#include <support/stderrcapture.h>
#include <tools/sounds/wavesynth.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <QElapsedTimer>
#include <QFile>
#include <QResource>
#include <QTemporaryFile>
#include <QtTest>

#include <csignal>
#include <unistd.h>

namespace {

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QByteArray resource(int id)
{
    return readFile(QStringLiteral(":/WAVE/%1").arg(id));
}

QByteArray committed(const char *name)
{
    return readFile(QStringLiteral(SOLBENA_SOURCE_DIR "/resources/sounds/") + QLatin1String(name));
}

class CountingReceiver : public QObject {
public:
    int received = 0;
    bool event(QEvent *e) override
    {
        if (e->type() != QEvent::User)
            return QObject::event(e);
        ++received;
        return true;
    }
};

// Restores an environment variable when it goes out of scope.
class EnvOverride {
public:
    EnvOverride(const char *name, const QByteArray &value)
        : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~EnvOverride()
    {
        if (had_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }

private:
    const char *name_;
    bool had_;
    QByteArray old_;
};

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

    void waveResource_loaded_isTheCommittedFileAndPlays_data();
    void waveResource_loaded_isTheCommittedFileAndPlays();
    void waveGenerator_run_makesTheCommittedFiles();

    void wavePlayer_newSound_stopsTheOldBeforeReplacingTheBuffer();
    void wavePlayer_play_onlyAsynchronousHandlesEvents();
    void wavePlayer_unknownId_stopsAndPlaysNothing();

    void sdlPlayer_syncOrAsync_lastsTheSoundOrReturnsAtOnce();
    void sdlPlayer_newRequest_stopsTheOldSound();
    void sdlPlayer_dataThatIsNoWave_skipped_data();
    void sdlPlayer_dataThatIsNoWave_skipped();
    void sdlPlayer_noDevice_returnsAtOnce();
    void sdlPlayer_noSoundCard_saysNothing();
    void sdlPlayer_opened_leavesCtrlCAndTermToTheProgram();
};

void TestSounds::waveResource_loaded_isTheCommittedFileAndPlays_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("file");
    QTest::newRow("101 opening") << 101 << "opening.wav";
    QTest::newRow("102 closing") << 102 << "closing.wav";
}

void TestSounds::waveResource_loaded_isTheCommittedFileAndPlays()
{
    QFETCH(int, id);
    QFETCH(QString, file);

    const QByteArray wave = resource(id);
    QVERIFY(!wave.isEmpty());
    QCOMPARE(wave, committed(file.toLatin1().constData()));
    // The player hands the bytes on as they are; a compressed resource would be unpacked first.
    QCOMPARE(QResource(QStringLiteral(":/WAVE/%1").arg(id)).compressionAlgorithm(),
             QResource::NoCompression);

    SDL_AudioSpec spec{};
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    QVERIFY(SDL_LoadWAV_RW(SDL_RWFromConstMem(wave.constData(), int(wave.size())), 1, &spec,
                           &buffer, &length) != nullptr);
    // Starts and ends in silence (no click) and never clips.
    const QByteArray samples(reinterpret_cast<const char *>(buffer), qsizetype(length));
    SDL_FreeWAV(buffer);
    QCOMPARE(spec.format, AUDIO_U8);
    QVERIFY(length > 1000);
    QCOMPARE(static_cast<std::uint8_t>(samples.front()), 128);
    QCOMPARE(static_cast<std::uint8_t>(samples.back()), 128);
    QVERIFY(!samples.contains('\x00'));
    QVERIFY(!samples.contains('\xff'));
}

void TestSounds::waveGenerator_run_makesTheCommittedFiles()
{
    const auto bytes = [](const std::vector<std::uint8_t> &v) {
        return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
    };
    QCOMPARE(bytes(wavesynth::waveFile(wavesynth::openingChime())), committed("opening.wav"));
    QCOMPARE(bytes(wavesynth::waveFile(wavesynth::closingBuzzerAndAir())),
             committed("closing.wav"));
}

void TestSounds::wavePlayer_newSound_stopsTheOldBeforeReplacingTheBuffer()
{
    using Kind = FakeSoundPlayer::Request::Kind;
    FakeSoundPlayer sound;
    WavePlayer player(sound);

    player.PlayWaveAsync(102);
    QCOMPARE(sound.requests.size(), 2u);
    const QByteArray *kept = sound.requests[1].buffer;
    QCOMPARE(*kept, resource(102));
    QCOMPARE(sound.requests[0].kind, Kind::Stop);
    QCOMPARE(sound.requests[1].kind, Kind::Play);
    QVERIFY(sound.requests[1].async);
    // The player is handed the kept buffer itself, not a copy that could go away.
    QCOMPARE(sound.requests[1].data, kept->constData());

    // When the next request stops the closing sound, the bytes it plays from are still there.
    const char *playing = sound.requests[1].data;
    bool intactAtStop = false;
    sound.onRequest = [&](const FakeSoundPlayer::Request &r) {
        if (r.kind == Kind::Stop)
            intactAtStop = kept->constData() == playing && *kept == resource(102);
    };
    player.PlayWaveSync(101);
    QVERIFY(intactAtStop);
    QCOMPARE(sound.requests.size(), 4u);
    QCOMPARE(sound.requests[2].kind, Kind::Stop);
    QCOMPARE(sound.requests[3].kind, Kind::Play);
    QVERIFY(!sound.requests[3].async);
    QCOMPARE(sound.requests[3].wave, resource(101));
    QCOMPARE(sound.requests[3].buffer, kept);
}

void TestSounds::wavePlayer_play_onlyAsynchronousHandlesEvents()
{
    FakeSoundPlayer sound;
    WavePlayer player(sound);
    CountingReceiver receiver;

    // While the sound is being started, the event waits; afterwards the one pass delivers it.
    sound.onRequest = [&](const FakeSoundPlayer::Request &) { QCOMPARE(receiver.received, 0); };
    QCoreApplication::postEvent(&receiver, new QEvent(QEvent::User));
    player.PlayWaveSync(101);
    QCOMPARE(receiver.received, 0);
    player.PlayWaveAsync(102);
    QCOMPARE(receiver.received, 1);
}

void TestSounds::wavePlayer_unknownId_stopsAndPlaysNothing()
{
    FakeSoundPlayer sound;
    WavePlayer player(sound);
    player.PlayWaveAsync(102);
    player.PlayWaveSync(999);
    QCOMPARE(sound.requests.size(), 4u);
    QCOMPARE(sound.requests[2].kind, FakeSoundPlayer::Request::Kind::Stop);
    QVERIFY(sound.requests[3].wave.isEmpty());
    QVERIFY(sound.requests[3].buffer->isEmpty());

    // The real player takes the empty request without complaint and without waiting.
    SdlSoundPlayer sdl;
    QElapsedTimer t;
    t.start();
    sdl.play(QByteArray(), false);
    QVERIFY(t.elapsed() < 200);
}

void TestSounds::sdlPlayer_syncOrAsync_lastsTheSoundOrReturnsAtOnce()
{
    SdlSoundPlayer sdl;
    WavePlayer player(sdl);
    QElapsedTimer t;

    t.start();
    player.PlayWaveSync(101);
    const qint64 sync = t.elapsed();
    QVERIFY2(sdl.hasDevice(), "SDL_AUDIODRIVER=dummy gives a device");
    // 0.55 s of sound; generous above for a loaded machine.
    QVERIFY2(sync >= 450 && sync < 2500, qPrintable(QString::number(sync)));
    QCOMPARE(sdl.queuedBytes(), 0u);

    t.start();
    player.PlayWaveAsync(102);
    const qint64 async = t.elapsed();
    QVERIFY2(async < 300, qPrintable(QString::number(async)));
    // Most of the two seconds are still to come.
    QVERIFY(sdl.queuedBytes() > 30000u);
    sdl.stop();
    QCOMPARE(sdl.queuedBytes(), 0u);
}

void TestSounds::sdlPlayer_newRequest_stopsTheOldSound()
{
    SdlSoundPlayer sdl;
    WavePlayer player(sdl);
    openDevice(sdl);

    // Only (the rest of) the new sound is queued; the old one's bytes are gone. The player does
    // that by itself, without being stopped first.
    const auto opening = std::uint32_t(resource(101).size());
    sdl.play(resource(102), true);
    sdl.play(resource(101), true);
    QVERIFY(sdl.queuedBytes() <= opening);
    QVERIFY(sdl.queuedBytes() > 0u);
    player.PlayWaveAsync(102);
    player.PlayWaveAsync(101);
    QVERIFY(sdl.queuedBytes() <= opening);

    // The opening sound after a closing one takes its own 0.55 s, not the 2 s left of the other.
    player.PlayWaveAsync(102);
    QElapsedTimer t;
    t.start();
    player.PlayWaveSync(101);
    const qint64 sync = t.elapsed();
    QVERIFY2(sync >= 450 && sync < 1500, qPrintable(QString::number(sync)));
    QCOMPARE(sdl.queuedBytes(), 0u);
}

void TestSounds::sdlPlayer_dataThatIsNoWave_skipped_data()
{
    QTest::addColumn<QByteArray>("wave");
    const QByteArray good = resource(101);
    QByteArray liar = good;
    liar.replace(52, 4, QByteArray("\xff\xff\xff\x7f", 4));
    QByteArray longFmt = good;
    longFmt.replace(16, 4, QByteArray("\x00\x00\x01\x00", 4));
    QTest::newRow("cut inside the header") << good.left(40);
    QTest::newRow("cut inside the data") << good.left(6000);
    QTest::newRow("no RIFF at all") << QByteArray(4096, '\x5a');
    QTest::newRow("data chunk claims 2 GB") << liar;
    QTest::newRow("fmt chunk claims 64 KB") << longFmt;
}

// A damaged image is not played and not waited for; it must not make SDL allocate what its
// headers claim either.
void TestSounds::sdlPlayer_dataThatIsNoWave_skipped()
{
    QFETCH(QByteArray, wave);
    SdlSoundPlayer sdl;
    openDevice(sdl);
    sdl.play(resource(102), true);
    QVERIFY(sdl.queuedBytes() > 0u);
    QElapsedTimer t;
    t.start();
    sdl.play(wave, false);
    QVERIFY2(t.elapsed() < 300, qPrintable(QString::number(t.elapsed())));
    // It still stopped the sound before it.
    QCOMPARE(sdl.queuedBytes(), 0u);
}

void TestSounds::sdlPlayer_noDevice_returnsAtOnce()
{
    EnvOverride noDriver("SDL_AUDIODRIVER", "no-such-driver");
    SdlSoundPlayer sdl;
    WavePlayer player(sdl);
    QElapsedTimer t;
    t.start();
    player.PlayWaveSync(101);
    player.PlayWaveAsync(102);
    QVERIFY2(t.elapsed() < 200, qPrintable(QString::number(t.elapsed())));
    QVERIFY(!sdl.hasDevice());
    QCOMPARE(sdl.queuedBytes(), 0u);
}

void TestSounds::sdlPlayer_noSoundCard_saysNothing()
{
    EnvOverride alsa("SDL_AUDIODRIVER", "alsa");
    // A tenth of a second of silence, in case this machine does have a card.
    const auto silence = wavesynth::waveFile(std::vector<std::uint8_t>(2205, 128));
    const QByteArray quiet(reinterpret_cast<const char *>(silence.data()),
                           qsizetype(silence.size()));

    StderrCapture capture;
    {
        SdlSoundPlayer sdl;
        sdl.play(quiet, true);
        sdl.play(quiet, false);
    }
    const QByteArray said = capture.finish();
    QVERIFY2(said.isEmpty(), said.constData());
}

void TestSounds::sdlPlayer_opened_leavesCtrlCAndTermToTheProgram()
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

QTEST_GUILESS_MAIN(TestSounds)
#include "tst_sounds.moc"
