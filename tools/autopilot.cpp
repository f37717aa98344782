// Runs tandrel.exe hands-free for the demo and the screenshots:
//   autopilot install PROGRAM   press Enter, answer every message box, wait for the end
//   autopilot shot PROGRAM DIR  save the dialog and the About box as DIR\dialog.bmp, DIR\about.bmp
#include <cstdio>
#include <string>
#include <vector>

#include "../res/resource.h"
#include "ui_driver.h"

static int Install(Program& program, HWND dlg)
{
    program.Press(GetDlgItem(dlg, IDOK), VK_RETURN);
    DWORD code = 0;
    while (!program.WaitExit(200, code)) {
        Box box = program.WaitBox(dlg, 0);
        if (box.hwnd && IsWindowVisible(box.hwnd)) {
            std::printf("message box \"%s\": %s\n", box.caption.c_str(), box.text.c_str());
            CloseBox(box);
        }
    }
    std::printf("tandrel ended with exit code %lu\n", code);
    return 0;
}

// Saves what the screen shows of a window as a 24-bit BMP.
static bool SaveWindow(HWND hwnd, const std::string& path)
{
    RECT r;
    GetWindowRect(hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);

    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    DWORD stride = (static_cast<DWORD>(w) * 3 + 3) & ~3u;
    std::vector<BYTE> pixels(stride * static_cast<DWORD>(h));
    GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);

    BITMAPFILEHEADER bf = {};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof bf + sizeof bi;
    bf.bfSize = bf.bfOffBits + static_cast<DWORD>(pixels.size());
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    std::fwrite(&bf, sizeof bf, 1, f);
    std::fwrite(&bi, sizeof bi, 1, f);
    std::fwrite(pixels.data(), 1, pixels.size(), f);
    return std::fclose(f) == 0;
}

static int Shoot(Program& program, HWND dlg, const std::string& dir)
{
    Sleep(300);  // let the window manager-less X server finish drawing
    bool ok = SaveWindow(dlg, dir + "\\dialog.bmp");
    program.Post(dlg, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = program.WaitDialog("About Tandrel");
    if (about) {
        program.Idle();
        Sleep(300);
        ok = SaveWindow(about, dir + "\\about.bmp") && ok;
        program.Press(GetDlgItem(about, IDOK), VK_ESCAPE);
    }
    program.Post(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    DWORD code = 0;
    return ok && about && program.WaitExit(10000, code) ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: autopilot install PROGRAM | autopilot shot PROGRAM DIR\n");
        return 2;
    }
    Program program;
    if (!program.Start(argv[2])) {
        std::fprintf(stderr, "cannot start %s\n", argv[2]);
        return 1;
    }
    HWND dlg = program.WaitDialog("Tandrel", 20000);
    if (!dlg) {
        std::fprintf(stderr, "the installer dialog did not appear\n");
        return 1;
    }
    program.Idle();
    std::string mode = argv[1];
    if (mode == "shot")
        return Shoot(program, dlg, argc > 3 ? argv[3] : ".");
    return Install(program, dlg);
}
