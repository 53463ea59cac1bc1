#pragma once

// The main window's public procedures: the one interface through which the control panel
// reaches the main window.

#include <cstdint>

class MainWindowProcedures {
public:
    virtual ~MainWindowProcedures() = default;
    virtual void Check1_Click() = 0;
    virtual void Check2_Click() = 0;
    virtual void MnuHelpVer_Click() = 0;
    virtual void HScroll1_Change() = 0;
    virtual void HScroll2_Change() = 0;
    virtual void SaveIni() = 0;
    virtual void LoadIni() = 0;
    virtual void Load方向幕(std::int16_t Index) = 0;
};
