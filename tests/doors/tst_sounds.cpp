// The WAVE resources, the resource player and the SDL player. What the SDL player's device plays
// is recorded with SDL's disk driver, which takes the sound in real time as a card would and writes
// it to a file; elsewhere SDL's dummy driver plays in real time without a sound card.

#include <doors/waveplayer.h>
#include <fakes/fakesound.h>
#include <platform/sound/sdlsoundplayer.h>
#include <support/files.h>
#include <support/sdlaudio.h>
#include <support/stderrcapture.h>
#include <support/threadwakeups.h>
#include <tools/sounds/wavesynth.h>

#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <QElapsedTimer>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <thread>
#include <unistd.h>

namespace {

// A rest short enough for a test; what the program uses is a few seconds.
constexpr auto kShortRest = std::chrono::milliseconds(300);
// A rest long enough that a loaded machine does not close the device between a test's steps.
constexpr auto kSteadyRest = std::chrono::milliseconds(1000);
// Long enough to see a thread that polls several times a second.
constexpr auto kQuietWindow = std::chrono::milliseconds(400);
constexpr int kQuietTries = 3;
// How long a device may take to open, play its sounds and close, on a loaded machine.
constexpr int kSessionMs = 20000;
// Unsigned 8-bit silence, what a device plays when it has nothing.
constexpr char kSilence = '\x80';
// A synchronous sound whose device falls behind returns this long after the sound's length.
constexpr qint64 kGiveUpAfterMs = 45;
// A piece of a sound this long is told from chance.
constexpr qsizetype kKnownAfter = 32;

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

// Where a sound's first and last audible samples are.
qsizetype firstSound(const QByteArray &pcm)
{
    qsizetype i = 0;
    while (i < pcm.size() && pcm[i] == kSilence)
        ++i;
    return i;
}
qsizetype lastSound(const QByteArray &pcm)
{
    qsizetype i = pcm.size() - 1;
    while (i >= 0 && pcm[i] == kSilence)
        --i;
    return i;
}

// The door sounds' samples: the player opens its device in their format, so they are played
// byte for byte.
QByteArray pcmOf(int id)
{
    return decode(waveResource(id)).bytes;
}

// A recording read as the door sounds it holds, in order: "101" for a whole one, "102 cut" for
// one stopped before its end, "?" for anything else; the silence between them left out. A sound
// always starts from its beginning.
QStringList soundsIn(const QByteArray &recording)
{
    const std::pair<int, QByteArray> sounds[] = {{101, pcmOf(101)}, {102, pcmOf(102)}};
    QStringList out;
    qsizetype at = 0;
    while (at < recording.size()) {
        if (recording[at] == kSilence) {
            ++at;
            continue;
        }
        // Matched from the sound's first audible sample, wherever its leading silence was cut.
        int best = 0;
        qsizetype matched = 0;
        bool whole = false;
        for (const auto &[id, pcm] : sounds) {
            const qsizetype from = firstSound(pcm);
            qsizetype n = 0;
            while (at + n < recording.size() && from + n < pcm.size() &&
                   recording[at + n] == pcm[from + n])
                ++n;
            if (n > matched) {
                best = id;
                matched = n;
                whole = from + n > lastSound(pcm);
            }
        }
        if (matched < kKnownAfter) {
            if (out.isEmpty() || out.back() != QStringLiteral("?"))
                out << QStringLiteral("?");
            while (at < recording.size() && recording[at] != kSilence)
                ++at;
            continue;
        }
        out << QString::number(best) + (whole ? QString() : QStringLiteral(" cut"));
        at += matched;
    }
    return out;
}

// What the player's device plays, recorded: SDL's disk driver for as long as this lives. Each
// device opened writes the file afresh, and closes it when the device is closed.
class RecordedOutput {
public:
    RecordedOutput()
        : file_(QDir(dir_.path()).canonicalPath() + QStringLiteral("/output.raw")),
          oldDriver_(qgetenv("SDL_AUDIODRIVER")), oldFile_(qgetenv("SDL_DISKAUDIOFILE"))
    {
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(file_));
        // The driver warns on stderr that it writes to a file, at every device it opens.
        SDL_LogGetOutputFunction(&oldLog_, &oldLogData_);
        SDL_LogSetOutputFunction([](void *, int, SDL_LogPriority, const char *) {}, nullptr);
    }
    ~RecordedOutput()
    {
        SDL_LogSetOutputFunction(oldLog_, oldLogData_);
        restore("SDL_AUDIODRIVER", oldDriver_);
        restore("SDL_DISKAUDIOFILE", oldFile_);
    }
    RecordedOutput(const RecordedOutput &) = delete;
    RecordedOutput &operator=(const RecordedOutput &) = delete;

    // Whether a device is open: this process holds the file open.
    bool deviceOpen() const
    {
        const QByteArray wanted = QFile::encodeName(file_);
        const QDir fds(QStringLiteral("/proc/self/fd"));
        for (const QString &fd :
             fds.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            char target[4096];
            const ssize_t n =
                readlink(QFile::encodeName(fds.filePath(fd)).constData(), target, sizeof target);
            if (n > 0 && QByteArray(target, n) == wanted)
                return true;
        }
        return false;
    }
    // What the open device has played so far, as far as it has written it out.
    QByteArray sofar() const
    {
        QFile f(file_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // Waits until a device has been opened and closed again, and returns the sounds it played
    // (soundsIn); the next device writes a new file.
    QStringList heard()
    {
        if (!waitFor([this] { return QFile::exists(file_); }))
            return {QStringLiteral("no device was opened")};
        if (!waitFor([this] { return !deviceOpen(); }))
            return {QStringLiteral("the device was not closed")};
        const QByteArray played = sofar();
        QFile::remove(file_);
        return soundsIn(played);
    }
    // Whether the open device has begun to play sound `id`.
    bool begun(int id) const
    {
        const QByteArray pcm = pcmOf(id);
        return sofar().contains(pcm.mid(firstSound(pcm), kKnownAfter));
    }

private:
    template <typename F> static bool waitFor(F ready)
    {
        QElapsedTimer t;
        t.start();
        while (!ready()) {
            if (t.elapsed() > kSessionMs)
                return false;
            QTest::qWait(10);
        }
        return true;
    }
    static void restore(const char *name, const QByteArray &value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    QTemporaryDir dir_;
    const QString file_;
    const QByteArray oldDriver_;
    const QByteArray oldFile_;
    SDL_LogOutputFunction oldLog_ = nullptr;
    void *oldLogData_ = nullptr;
};

// Opens the player's device as the main window does after its first paint, and waits for SDL to
// run it.
void openDevice(SdlSoundPlayer &sdl)
{
    sdl.prepare();
    QTRY_VERIFY2(sdlOutputThreadRunning(), "SDL_AUDIODRIVER=dummy gives a device");
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
        RecordedOutput output;
        SdlSoundPlayer sdl(kSteadyRest);
        WavePlayer player(sdl);
        const qint64 chime = decode(waveResource(101)).ms();
        QElapsedTimer t;
        const auto playChime = [&](qint64 slack) {
            t.start();
            player.playToEnd(101);
            QVERIFY2(t.elapsed() >= chime - 100 && t.elapsed() < chime + slack,
                     qPrintable(QString::number(t.elapsed())));
        };

        // The first sound waits for the device as well; generous above for a loaded machine.
        playChime(2000);
        const qint64 firstChime = t.elapsed();
        // Returns at once, while the sound plays on; the next one cuts it short. Had the chime
        // before not been played to its end, this would have cut it short.
        t.start();
        player.playInBackground(102);
        QVERIFY2(t.elapsed() < 300, qPrintable(QString::number(t.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(output.begun(102), kSessionMs);
        // The opening sound after a closing one takes its own time, not what is left of the other.
        playChime(950);
        QStringList heard = output.heard();
        // A machine too loaded to feed the device in time may leave the chime unfinished when its
        // call gives up waiting, shortly after the chime's length; never before.
        if (firstChime >= chime + kGiveUpAfterMs && heard.value(0) == QStringLiteral("101 cut"))
            heard[0] = QStringLiteral("101");
        QCOMPARE(heard, (QStringList{QStringLiteral("101"), QStringLiteral("102 cut"),
                                     QStringLiteral("101")}));

        // Stopped, a sound goes silent; the device stays open for as long as it would have played.
        sdl.play(waveResource(102), true);
        QTRY_VERIFY_WITH_TIMEOUT(output.begun(102), kSessionMs);
        sdl.stop();
        QCOMPARE(output.heard(), QStringList{QStringLiteral("102 cut")});

        // Only (the rest of) the new sound plays; the old one's bytes are gone. The player does
        // that by itself, without being stopped first.
        sdl.play(waveResource(102), true);
        sdl.play(waveResource(101), true);
        heard = output.heard();
        // The first may have begun before the second came.
        if (heard.size() == 2 && heard.front() == QStringLiteral("102 cut"))
            heard.removeFirst();
        QCOMPARE(heard, QStringList{QStringLiteral("101")});
    }

    // After a rest the device is closed and no thread of the player's or SDL's wakes; the next
    // sound opens a device again, and a sound keeps it open for as long as it plays.
    void sdlPlayer_rest_closesDeviceUntilTheNextSound()
    {
        RecordedOutput output;
        SdlSoundPlayer sdl(kShortRest);
        WavePlayer player(sdl);
        sdl.prepare();
        QCOMPARE(output.heard(), QStringList());
        QTRY_VERIFY(!sdlOutputThreadRunning());
        const QString woke = threadsThatWokeInEveryWindow(kQuietWindow, kQuietTries);
        QVERIFY2(woke.isEmpty(), qPrintable(woke));

        // Asynchronous: returns at once, and the sound starts once the device is back. The rest
        // counts from the sound's end: the device is not closed under it.
        QElapsedTimer t;
        t.start();
        player.playInBackground(102);
        QVERIFY2(t.elapsed() < 300, qPrintable(QString::number(t.elapsed())));
        QCOMPARE(output.heard(), QStringList{QStringLiteral("102")});

        // Synchronous: lasts its sound, from a closed device as from an open one.
        const qint64 chime = decode(waveResource(101)).ms();
        t.start();
        player.playToEnd(101);
        QVERIFY2(t.elapsed() >= chime - 100 && t.elapsed() < chime + 300,
                 qPrintable(QString::number(t.elapsed())));
        QCOMPARE(output.heard(), QStringList{QStringLiteral("101")});

        // The caller's bytes may be gone before the device is back (a sound as the program ends).
        {
            QByteArray gone = waveResource(102);
            gone.detach();
            sdl.play(gone, true);
        }
        QCOMPARE(output.heard(), QStringList{QStringLiteral("102")});
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
        RecordedOutput output;
        SdlSoundPlayer sdl(kShortRest);
        sdl.play(waveResource(102), true);
        QTRY_VERIFY_WITH_TIMEOUT(output.begun(102), kSessionMs);
        QElapsedTimer t;
        t.start();
        sdl.play(wave, false);
        QVERIFY2(t.elapsed() < 300, qPrintable(QString::number(t.elapsed())));
        // It still stopped the sound before it.
        QCOMPARE(output.heard(), QStringList{QStringLiteral("102 cut")});
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
