// The installer's one window: the version field, OK and Cancel.
#pragma once

#include "dlg/dialog.h"
#include "engine/plugin_installer.h"

class InstallerDialog : public Dialog, public PluginInstaller {
public:
    explicit InstallerDialog(HWND parent = nullptr);

protected:
    void DoDataExchange(DataExchange& dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    bool OnSysCommand(UINT id);
    bool OnPaint();
    HICON OnQueryDragIcon() { return m_hIcon; }
    void OnChangeVersion();

    HICON m_hIcon;
};
