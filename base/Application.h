#pragma once

#include <QString>

// Application-wide values that the program entry sets: the title names the
// taskbar button and captions every error box; the help file is opened by Help.
struct Application
{
    static inline QString Title;
    static inline QString HelpFile;
};
