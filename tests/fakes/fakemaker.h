#pragma once

#include <platform/maker/makerlibrary.h>

// Answers with a fixed address at once.
class FakeMakerLibrary : public MakerLibrary {
public:
    bool homePageUrl(QString *address, QString *) override
    {
        *address = QStringLiteral("https://towani.example/");
        return true;
    }
};
