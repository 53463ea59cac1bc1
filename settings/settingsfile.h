#pragma once

// The settings file: one line of 16 comma-separated values in a fixed order, beside the
// executable and named after it. Text fields are quoted, truth values are #TRUE# / #FALSE#,
// numbers are plain decimals with a period. This header knows the format and the file; applying
// the values to the windows (and the recovery) belongs to the main window.

#include <common/executable.h>
#include <settings/settings.h>

#include <QByteArray>
#include <QString>
#include <functional>
#include <limits>

inline constexpr int kSettingsFieldCount = 16;
// Larger files are refused unread: a settings line is a few hundred bytes.
inline constexpr qint64 kMaxSettingsFileBytes = 1024 * 1024;

// Where this run reads its settings at start and saves them at exit. Chosen once per run.
struct SettingsPlace {
    QString readPath;
    QString savePath;

    bool operator==(const SettingsPlace &) const = default;
};

// What the choice depends on, so that tests can set each part: as root every folder is
// writable, whatever its mode.
struct SettingsPlaceInputs {
    QString executableFolder;
    QString executableName; // without extension
    QString configHome;     // $XDG_CONFIG_HOME as set; empty when unset
    QString home;
    std::function<bool(const QString &folder)> canCreateFilesIn;
    std::function<bool(const QString &file)> exists;
};

// "<executable name>.ini" beside the executable whenever its folder is writable. Otherwise it
// is saved to "<config home>/solbena/<executable name>.ini" ($XDG_CONFIG_HOME, or ~/.config
// when that is unset or not absolute), and read from there if that file exists, else from
// beside the executable, so an installed copy may ship defaults.
SettingsPlace chooseSettingsPlace(const SettingsPlaceInputs &in);
// The inputs of this process: its executable, its environment and the file system.
SettingsPlaceInputs currentSettingsPlaceInputs(const Executable &program);

// The whole line, CR LF included. Paths keep their file-name bytes (see common/filenames.h);
// a double quote inside a path is doubled so that the field still ends where it should.
QByteArray formatSettingsLine(const Settings &values);

// Reads the fields one at a time, in file order. A field ends at a comma or a line end (CR, LF
// or CR LF); a quoted field may hold commas and line ends and ends at its closing quote. Line
// ends between fields are skipped, so fields spread over several lines or separated by blank
// lines read the same. The first failure is final: every later read fails too, and the fields
// already read are the caller's to keep.
class IniReader {
public:
    explicit IniReader(QByteArray bytes);

    // A path, quoted or bare; quoted "" is the empty path.
    bool readText(QString *out);
    // A number, rounded to the nearest whole number with ties to even; fails outside the range
    // of `Int` (qint16 or qint32).
    template <typename Int> bool readInt(Int *out)
    {
        qint64 value = 0;
        if (!readInteger(std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max(), &value))
            return false;
        *out = static_cast<Int>(value);
        return true;
    }
    // #TRUE# or #FALSE#. Numbers are refused: one in this place means the fields have shifted.
    bool readBool(bool *out);

private:
    struct Field {
        QByteArray content;
        bool quoted = false;
    };
    bool next(Field *field);
    bool readInteger(qint64 min, qint64 max, qint64 *out);

    QByteArray m_bytes;
    qsizetype m_pos = 0;
    bool m_failed = false;
};

// Reads the 16 fields into `values` with the loader's types (positions, steps and door settings
// as 32-bit integers, the option as a 16-bit integer), stopping at the first failure; the fields
// before it stay in `values`. Returns how many fields were read: kSettingsFieldCount when all were.
int readSettings(const QByteArray &bytes, Settings *values);

// True when nothing at all is at `path`, not even a folder or a dangling link: no settings were
// ever saved there. A file that is there but cannot be read is not absent.
bool settingsFileAbsent(const QString &path);

// The file's bytes. False when it is missing, not a regular file, unreadable or larger than
// kMaxSettingsFileBytes.
bool readSettingsFile(const QString &path, QByteArray *bytes);

// Replaces the file with `line` so that it is at every moment either the old file or the new
// one, creating its folder (mode 0700) when missing: the line goes to a temporary file in the same
// folder, reaches the disk, and then takes the file's name. On failure the old file is untouched
// and `error` gets one line naming the file and the reason.
bool writeSettingsFile(const QString &path, const QByteArray &line, QString *error);
