// Writes the two door sounds into a folder: opening.wav (WAVE 101) and closing.wav (WAVE 102).

#include <tools/sounds/wavesynth.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

bool write(const std::string &path, const std::vector<std::uint8_t> &bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char *>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    f.close();
    if (!f) {
        std::fprintf(stderr, "gensounds: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%s: %zu bytes\n", path.c_str(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gensounds <output folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok =
        write(dir + "/opening.wav", wavesynth::waveFile(wavesynth::openingChime())) &&
        write(dir + "/closing.wav", wavesynth::waveFile(wavesynth::closingBuzzerAndAir()));
    return ok ? 0 : 1;
}
