// The WAVE resources, the resource player and the SDL player (on SDL's dummy driver, which
// plays in real time without a sound card).

#include <doors/waveplayer.h>
#include <fakes/fakesound.h>
#include <platform/sound/sdlsoundplayer.h>
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

std::uint32_t le32(const QByteArray &b, qsizetype at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<std::uint8_t>(b.at(at + i));
    return v;
}

std::uint16_t le16(const QByteArray &b, qsizetype at)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(b.at(at)) |
                                      static_cast<std::uint8_t>(b.at(at + 1)) << 8);
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

// Collects what the process writes to stderr while it lives.
class StderrCapture {
public:
    StderrCapture()
    {
        file_.open();
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        dup2(file_.handle(), STDERR_FILENO);
    }
    QByteArray finish()
    {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        file_.seek(0);
        return file_.readAll();
    }

private:
    QTemporaryFile file_;
    int saved_ = -1;
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

    void resourcesAreTheCommittedWaveFiles_data();
    void resourcesAreTheCommittedWaveFiles();
    void generatorStillMakesTheCommittedFiles();

    void playersStopTheOldSoundBeforeReplacingTheBuffer();
    void onlyTheAsynchronousPlayHandlesEvents();
    void unknownIdStopsAndPlaysNothing();

    void sdlSyncLastsTheSoundAsyncReturnsAtOnce();
    void sdlNewRequestStopsTheOldSound();
    void sdlSkipsDataThatIsNoWave_data();
    void sdlSkipsDataThatIsNoWave();
    void sdlWithoutDeviceReturnsAtOnce();
    void sdlWithoutSoundCardSaysNothing();
    void sdlLeavesCtrlCAndTermToTheProgram();
};

void TestSounds::resourcesAreTheCommittedWaveFiles_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("totalBytes");
    QTest::addColumn<int>("dataBytes");
    QTest::newRow("101 opening") << 101 << "opening.wav" << 12250 << 12193;
    QTest::newRow("102 closing") << 102 << "closing.wav" << 44156 << 44100;
}

void TestSounds::resourcesAreTheCommittedWaveFiles()
{
    QFETCH(int, id);
    QFETCH(QString, file);
    QFETCH(int, totalBytes);
    QFETCH(int, dataBytes);

    const QByteArray wave = resource(id);
    QCOMPARE(wave.size(), totalBytes);
    QCOMPARE(wave, committed(file.toLatin1().constData()));
    QCOMPARE(QResource(QStringLiteral(":/WAVE/%1").arg(id)).compressionAlgorithm(),
             QResource::NoCompression);

    // RIFF layout: "fmt " (16 bytes), "fact" (4 bytes), "data", and a pad byte after odd data.
    QCOMPARE(wave.left(4), QByteArray("RIFF"));
    QCOMPARE(le32(wave, 4), std::uint32_t(totalBytes - 8));
    QCOMPARE(wave.mid(8, 4), QByteArray("WAVE"));
    QCOMPARE(wave.mid(12, 4), QByteArray("fmt "));
    QCOMPARE(le32(wave, 16), 16u);
    QCOMPARE(le16(wave, 20), 1);      // PCM
    QCOMPARE(le16(wave, 22), 1);      // mono
    QCOMPARE(le32(wave, 24), 22050u); // samples per second
    QCOMPARE(le32(wave, 28), 22050u); // bytes per second
    QCOMPARE(le16(wave, 32), 1);      // block align
    QCOMPARE(le16(wave, 34), 8);      // bits per sample
    QCOMPARE(wave.mid(36, 4), QByteArray("fact"));
    QCOMPARE(le32(wave, 40), 4u);
    QCOMPARE(le32(wave, 44), std::uint32_t(dataBytes));
    QCOMPARE(wave.mid(48, 4), QByteArray("data"));
    QCOMPARE(le32(wave, 52), std::uint32_t(dataBytes));
    QCOMPARE(56 + dataBytes + (dataBytes & 1), totalBytes);

    // Starts and ends in silence (no click) and never clips.
    const QByteArray samples = wave.mid(56, dataBytes);
    QCOMPARE(static_cast<std::uint8_t>(samples.front()), 128);
    QCOMPARE(static_cast<std::uint8_t>(samples.back()), 128);
    QVERIFY(!samples.contains('\x00'));
    QVERIFY(!samples.contains('\xff'));

    // SDL reads it as it is meant.
    SDL_AudioSpec spec{};
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    QVERIFY(SDL_LoadWAV_RW(SDL_RWFromConstMem(wave.constData(), int(wave.size())), 1, &spec,
                           &buffer, &length) != nullptr);
    SDL_FreeWAV(buffer);
    QCOMPARE(spec.freq, 22050);
    QCOMPARE(spec.format, AUDIO_U8);
    QCOMPARE(int(spec.channels), 1);
    QCOMPARE(length, Uint32(dataBytes));
}

void TestSounds::generatorStillMakesTheCommittedFiles()
{
    const auto bytes = [](const std::vector<std::uint8_t> &v) {
        return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
    };
    QCOMPARE(bytes(wavesynth::waveFile(wavesynth::openingChime())), committed("opening.wav"));
    QCOMPARE(bytes(wavesynth::waveFile(wavesynth::closingBuzzerAndAir())),
             committed("closing.wav"));
}

void TestSounds::playersStopTheOldSoundBeforeReplacingTheBuffer()
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

void TestSounds::onlyTheAsynchronousPlayHandlesEvents()
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

void TestSounds::unknownIdStopsAndPlaysNothing()
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

void TestSounds::sdlSyncLastsTheSoundAsyncReturnsAtOnce()
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

void TestSounds::sdlNewRequestStopsTheOldSound()
{
    SdlSoundPlayer sdl;
    WavePlayer player(sdl);
    openDevice(sdl);

    // Only (the rest of) the new sound is queued; the old one's 44,100 bytes are gone. The
    // player does that by itself, without being stopped first.
    sdl.play(resource(102), true);
    sdl.play(resource(101), true);
    QVERIFY(sdl.queuedBytes() <= 12193u);
    QVERIFY(sdl.queuedBytes() > 0u);
    player.PlayWaveAsync(102);
    player.PlayWaveAsync(101);
    QVERIFY(sdl.queuedBytes() <= 12193u);

    // The opening sound after a closing one takes its own 0.55 s, not the 2 s left of the other.
    player.PlayWaveAsync(102);
    QElapsedTimer t;
    t.start();
    player.PlayWaveSync(101);
    const qint64 sync = t.elapsed();
    QVERIFY2(sync >= 450 && sync < 1500, qPrintable(QString::number(sync)));
    QCOMPARE(sdl.queuedBytes(), 0u);
}

void TestSounds::sdlSkipsDataThatIsNoWave_data()
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
void TestSounds::sdlSkipsDataThatIsNoWave()
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

void TestSounds::sdlWithoutDeviceReturnsAtOnce()
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

void TestSounds::sdlWithoutSoundCardSaysNothing()
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

void TestSounds::sdlLeavesCtrlCAndTermToTheProgram()
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
