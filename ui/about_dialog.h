#pragma once

#include "dlg/dialog.h"
#include "res/resource.h"

// Product name, version, copyright and the maker; closes on OK, Esc or the close box.
class AboutDialog : public Dialog {
public:
    AboutDialog() : Dialog(IDD_ABOUTBOX) {}
};
