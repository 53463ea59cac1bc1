#pragma once

#include <platform/maker/makerlibrary.h>

// Answers with a fixed address or a fixed failure, and counts the calls.
class FakeMakerLibrary : public MakerLibrary {
public:
    bool homePageUrl(QString *address, QString *error) override
    {
        ++calls;
        if (!failure.isEmpty()) {
            *error = failure;
            return false;
        }
        *address = this->address;
        return true;
    }
    QString address = QStringLiteral("https://towani.example/");
    QString failure;
    int calls = 0;
};
