#pragma once

// Opens an address with the desktop's handler for it (the browser for a web address).

#include <platform/urlopener.h>

class DesktopUrlOpener : public UrlOpener {
public:
    void open(const QString &address) override;
};
