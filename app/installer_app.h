#pragma once

#include "dlg/app.h"

// Shows the installer dialog; the process ends when it closes.
class InstallerApp : public App {
public:
    BOOL InitInstance() override;
};
