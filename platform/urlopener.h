#pragma once

// Opens an address with the desktop's handler for it.

#include <QString>

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Failures are not reported: the caller shows nothing for them.
    virtual void open(const QString &address) = 0;
};
