// Reads arbitrary bytes as a settings file, the way the loader does, and checks what must hold
// for any input: file names come back byte for byte, and whatever reads completely is written
// back as a line that reads the same.

#include <common/filenames.h>
#include <settings/settingsfile.h>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > static_cast<size_t>(kMaxSettingsFileBytes))
        return -1;
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));

    if (filenames::toBytes(filenames::fromBytes(bytes)) != bytes)
        std::abort();

    Settings values;
    if (readSettings(bytes, &values) != kSettingsFieldCount)
        return 0;
    const QByteArray line = formatSettingsLine(values);
    Settings again;
    if (readSettings(line, &again) != kSettingsFieldCount || !(again == values))
        std::abort();
    if (formatSettingsLine(again) != line)
        std::abort();
    return 0;
}
