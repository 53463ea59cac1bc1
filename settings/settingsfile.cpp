#include <settings/settingsfile.h>

#include <common/executable.h>
#include <common/filenames.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kQuote = '"';
constexpr char kSeparator = ',';
constexpr char kCr = '\r';
constexpr char kLf = '\n';
constexpr QByteArrayView kLineEnd = "\r\n";
constexpr QByteArrayView kTrue = "#TRUE#";
constexpr QByteArrayView kFalse = "#FALSE#";
constexpr QLatin1StringView kSuffix(".ini");
// Where a copy in a read-only folder keeps its settings, below the user's config folder.
constexpr QLatin1StringView kConfigSubfolder("solbena");
constexpr QLatin1StringView kDefaultConfigFolder(".config");
constexpr mode_t kNewFolderMode = 0700;
// Positions are read back into 32-bit integers; 2^31 is the first float beyond that range.
constexpr float kInt32Bound = 2147483648.0f;
constexpr QByteArrayView kInt32MaxText = "2147483647";
constexpr QByteArrayView kInt32MinText = "-2147483648";
// Exponents are saturated here; any value this far out is out of range or rounds to zero.
constexpr qint64 kExponentCap = 1'000'000'000;
// More integer digits than this cannot fit the ranges we read into.
constexpr qint64 kMaxIntegerDigits = 18;

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}
bool isLineEnd(char c)
{
    return c == kCr || c == kLf;
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void appendPosition(QByteArray &out, float value)
{
    // A value the reader cannot take back would cost every setting in the file, so the line
    // always holds something readable.
    if (!std::isfinite(value) || value == 0) {
        out += '0'; // also drops the sign of -0
        return;
    }
    if (value >= kInt32Bound) {
        out += kInt32MaxText;
        return;
    }
    if (value < -kInt32Bound) {
        out += kInt32MinText;
        return;
    }
    // Fixed notation, shortest digits that read back as the same float.
    char buffer[128];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    out.append(buffer, result.ptr - buffer);
}

void appendInteger(QByteArray &out, int value)
{
    out += QByteArray::number(value);
}

void appendText(QByteArray &out, const QString &text)
{
    QByteArray bytes = filenames::toBytes(text);
    bytes.replace(QByteArrayView(&kQuote, 1), "\"\"");
    out += kQuote;
    out += bytes;
    out += kQuote;
}

void appendBool(QByteArray &out, bool value)
{
    out += value ? kTrue : kFalse;
}

// Rounds the decimal `text` (sign, digits with an optional point, optional exponent) to the
// nearest integer, ties to even. Exact: the digits are never squeezed through a double, so
// 2.50000000000000000001 rounds up and 2.5 rounds down.
bool parseRoundedInteger(QByteArrayView text, qint64 min, qint64 max, qint64 *out)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // value = 0.d1 d2 d3 ... * 10^point, with d1 the first nonzero digit.
    QByteArray digits;
    qint64 point = 0;
    bool anyDigit = false;
    bool seenPoint = false;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c == '.') {
            if (seenPoint)
                return false;
            seenPoint = true;
        } else if (isDigit(c)) {
            anyDigit = true;
            if (digits.isEmpty() && c == '0') {
                if (seenPoint)
                    --point;
                continue;
            }
            digits += c;
            if (!seenPoint)
                ++point;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            negativeExponent = text[i] == '-';
            ++i;
        }
        if (i >= n || !isDigit(text[i]))
            return false;
        qint64 exponent = 0;
        for (; i < n && isDigit(text[i]); ++i)
            exponent = std::min(exponent * 10 + (text[i] - '0'), kExponentCap);
        point += negativeExponent ? -exponent : exponent;
    }
    if (i != n)
        return false;

    qint64 magnitude = 0;
    if (!digits.isEmpty()) {
        if (point > kMaxIntegerDigits)
            return false;
        const qsizetype count = digits.size();
        for (qint64 k = 0; k < point; ++k)
            magnitude = magnitude * 10 + (k < count ? digits[k] - '0' : 0);
        // With point < 0 the fraction is below 0.1 and rounds down.
        if (point >= 0 && point < count) {
            const char first = digits[point];
            bool up = first > '5';
            if (first == '5') {
                const bool beyondHalf = std::any_of(digits.begin() + point + 1, digits.end(),
                                                    [](char d) { return d != '0'; });
                up = beyondHalf || (magnitude % 2 == 1);
            }
            if (up)
                ++magnitude;
        }
    }
    const qint64 value = negative ? -magnitude : magnitude;
    if (value < min || value > max)
        return false;
    *out = value;
    return true;
}

QString singleLine(QString text)
{
    text.replace(QLatin1Char(kCr), QLatin1Char(' '));
    text.replace(QLatin1Char(kLf), QLatin1Char(' '));
    return text;
}

// The rename is only durable once the folder's entry is on disk as well.
void syncFolderOf(const QString &path)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// Creates the missing folders of `folder` for the user alone, as the base directory spec
// asks; false with errno set when one cannot be made.
bool makeFolders(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent != folder && !makeFolders(parent))
        return false;
    return ::mkdir(QFile::encodeName(folder).constData(), kNewFolderMode) == 0 || errno == EEXIST;
}

} // namespace

SettingsPlace chooseSettingsPlace(const SettingsPlaceInputs &in)
{
    const QString fileName = in.executableName + kSuffix;
    const QString beside = executable::pathInFolder(in.executableFolder, fileName);
    if (in.canCreateFilesIn(in.executableFolder))
        return {beside, beside};
    // The base directory spec says a relative value is to be ignored.
    const QString configHome = QDir::isAbsolutePath(in.configHome)
                                   ? in.configHome
                                   : executable::pathInFolder(in.home, kDefaultConfigFolder);
    const QString own =
        executable::pathInFolder(executable::pathInFolder(configHome, kConfigSubfolder), fileName);
    return {in.exists(own) ? own : beside, own};
}

SettingsPlaceInputs currentSettingsPlaceInputs(const Executable &program)
{
    return {program.folder,
            program.baseName,
            qEnvironmentVariable("XDG_CONFIG_HOME"),
            QDir::homePath(),
            [](const QString &folder) {
                // Saving makes a temporary file in the folder and renames it.
                return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
            },
            [](const QString &file) { return QFileInfo::exists(file); }};
}

QByteArray formatSettingsLine(const Settings &v)
{
    QByteArray line;
    const auto separator = [&line] { line += kSeparator; };
    appendPosition(line, v.busWindowLeft);
    separator();
    appendPosition(line, v.busWindowTop);
    separator();
    appendPosition(line, v.panelLeft);
    separator();
    appendPosition(line, v.panelTop);
    separator();
    appendText(line, v.rollPath0);
    separator();
    appendText(line, v.rollPath1);
    separator();
    appendInteger(line, v.rollStep0);
    separator();
    appendInteger(line, v.rollStep1);
    separator();
    appendText(line, v.signboardPath);
    separator();
    appendPosition(line, v.signboardLeft);
    separator();
    appendPosition(line, v.signboardTop);
    separator();
    appendBool(line, v.signboardShown);
    separator();
    appendBool(line, v.frameShown);
    separator();
    appendInteger(line, v.frontDoorDelay);
    separator();
    appendInteger(line, v.centreDoorDelay);
    separator();
    appendInteger(line, v.leafChoice);
    line += kLineEnd;
    return line;
}

IniReader::IniReader(QByteArray bytes) : m_bytes(std::move(bytes)) {}

bool IniReader::next(Field *field)
{
    if (m_failed)
        return false;
    const char *s = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    qsizetype i = m_pos;
    while (i < n && (isBlank(s[i]) || isLineEnd(s[i])))
        ++i;
    if (i >= n) {
        m_failed = true;
        return false;
    }
    field->content.clear();
    field->quoted = s[i] == kQuote;
    if (field->quoted) {
        ++i;
        for (;;) {
            const qsizetype quote = m_bytes.indexOf(kQuote, i);
            if (quote < 0) {
                m_failed = true;
                return false;
            }
            field->content.append(s + i, quote - i);
            i = quote + 1;
            if (i < n && s[i] == kQuote) {
                field->content += kQuote;
                ++i;
                continue;
            }
            break;
        }
        while (i < n && isBlank(s[i]))
            ++i;
        if (i < n && s[i] != kSeparator && !isLineEnd(s[i])) {
            m_failed = true;
            return false;
        }
    } else {
        const qsizetype start = i;
        while (i < n && s[i] != kSeparator && !isLineEnd(s[i]))
            ++i;
        qsizetype end = i;
        while (end > start && isBlank(s[end - 1]))
            --end;
        field->content = m_bytes.mid(start, end - start);
    }
    if (i < n) {
        const char delimiter = s[i++];
        if (delimiter == kCr && i < n && s[i] == kLf)
            ++i;
    }
    m_pos = i;
    return true;
}

bool IniReader::readInteger(qint64 min, qint64 max, qint64 *out)
{
    Field field;
    if (!next(&field))
        return false;
    if (field.quoted || !parseRoundedInteger(field.content, min, max, out)) {
        m_failed = true;
        return false;
    }
    return true;
}

bool IniReader::readText(QString *out)
{
    Field field;
    if (!next(&field))
        return false;
    *out = filenames::fromBytes(field.content);
    return true;
}

bool IniReader::readBool(bool *out)
{
    Field field;
    if (!next(&field))
        return false;
    if (!field.quoted && field.content.compare(kTrue, Qt::CaseInsensitive) == 0) {
        *out = true;
        return true;
    }
    if (!field.quoted && field.content.compare(kFalse, Qt::CaseInsensitive) == 0) {
        *out = false;
        return true;
    }
    m_failed = true;
    return false;
}

int readSettings(const QByteArray &bytes, Settings *v)
{
    IniReader reader(bytes);
    const auto position = [&reader](float *out) {
        qint32 value = 0;
        if (!reader.readInt(&value))
            return false;
        *out = static_cast<float>(value);
        return true;
    };
    const auto int32 = [&reader](int *out) {
        qint32 value = 0;
        if (!reader.readInt(&value))
            return false;
        *out = value;
        return true;
    };
    const auto int16 = [&reader](int *out) {
        qint16 value = 0;
        if (!reader.readInt(&value))
            return false;
        *out = value;
        return true;
    };
    const auto text = [&reader](QString *out) { return reader.readText(out); };
    const auto truth = [&reader](bool *out) { return reader.readBool(out); };

    const std::function<bool()> fields[kSettingsFieldCount] = {
        [&] { return position(&v->busWindowLeft); }, [&] { return position(&v->busWindowTop); },
        [&] { return position(&v->panelLeft); },     [&] { return position(&v->panelTop); },
        [&] { return text(&v->rollPath0); },         [&] { return text(&v->rollPath1); },
        [&] { return int32(&v->rollStep0); },        [&] { return int32(&v->rollStep1); },
        [&] { return text(&v->signboardPath); },     [&] { return position(&v->signboardLeft); },
        [&] { return position(&v->signboardTop); },  [&] { return truth(&v->signboardShown); },
        [&] { return truth(&v->frameShown); },       [&] { return int32(&v->frontDoorDelay); },
        [&] { return int32(&v->centreDoorDelay); },  [&] { return int16(&v->leafChoice); },
    };
    int count = 0;
    for (const auto &field : fields) {
        if (!field())
            break;
        ++count;
    }
    return count;
}

bool settingsFileAbsent(const QString &path)
{
    struct stat st {};
    // A folder that cannot be searched hides whether the file is there; count it as there.
    return ::lstat(filenames::toBytes(path).constData(), &st) != 0 &&
           (errno == ENOENT || errno == ENOTDIR);
}

bool readSettingsFile(const QString &path, QByteArray *bytes)
{
    QFile file;
    if (!filenames::openForReading(file, path))
        return false;
    if (file.size() > kMaxSettingsFileBytes)
        return false;
    QByteArray data = file.read(kMaxSettingsFileBytes + 1);
    if (file.error() != QFileDevice::NoError || data.size() > kMaxSettingsFileBytes)
        return false;
    *bytes = std::move(data);
    return true;
}

bool writeSettingsFile(const QString &path, const QByteArray &line, QString *error)
{
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = singleLine(QStringLiteral("Cannot save the settings to \"%1\": %2")
                                    .arg(QFileInfo(path).absoluteFilePath(), reason));
        return false;
    };
    if (!makeFolders(QFileInfo(path).absolutePath()))
        return fail(QString::fromLocal8Bit(std::strerror(errno)));
    // QSaveFile writes a temporary file beside the target and renames it over the target on
    // commit; it never writes the target in place.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    // QSaveFile::commit overlooks a failure of the buffered write it flushes, and of its own
    // sync, and renames a short file over the good one; so both are checked here first.
    if (file.write(line) != line.size() || !file.flush()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (::fsync(file.handle()) != 0) {
        const QString reason = QString::fromLocal8Bit(std::strerror(errno));
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    syncFolderOf(QFileInfo(path).canonicalFilePath());
    return true;
}
