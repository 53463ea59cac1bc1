#pragma once

// The maker's resource library: a separate shared library that supplies the home-page address.

#include <QString>

class MakerLibrary {
public:
    virtual ~MakerLibrary() = default;
    // The home-page address, or false with a one-line description of what failed.
    virtual bool homePageUrl(QString *address, QString *error) = 0;
};

// Loads "libKVX3Res.so" from one folder only, by its full path, at the first call. A library that
// loaded stays loaded for the rest of the run; a failure is tried again at the next call, so a
// library put in place while the program runs is found.
class SharedMakerLibrary : public MakerLibrary {
public:
    // `folder` is the executable's folder (executable::folder()). A relative folder is refused,
    // because it would be resolved against the working directory.
    explicit SharedMakerLibrary(QString folder);
    ~SharedMakerLibrary() override;
    SharedMakerLibrary(const SharedMakerLibrary &) = delete;
    SharedMakerLibrary &operator=(const SharedMakerLibrary &) = delete;

    bool homePageUrl(QString *address, QString *error) override;

    static QString fileName();
    // The full path that is loaded.
    QString filePath() const;

private:
    bool load(QString *error);

    QString folder_;
    void *handle_ = nullptr;
    using HomePageFunction = const char *(*)();
    HomePageFunction homePage_ = nullptr;
};
